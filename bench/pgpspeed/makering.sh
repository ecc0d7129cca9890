#!/bin/sh
# Makes a GnuPG home holding COUNT keys: COUNT-1 keys without secret parts
# and, last, the bench user's key with its pass phrase. The keys are made in
# a scratch home on a memory file system (GnuPG syncs after every key) and the
# finished home is copied to HOME_DIR.
# Usage: makering.sh HOME_DIR COUNT USER_ID PASS_PHRASE
set -eu
home=$1 count=$2 uid=$3 pass=$4
umask 077
scratch=$(mktemp -d /dev/shm/swring.XXXXXX 2>/dev/null || mktemp -d)
trap 'gpgconf --homedir "$scratch" --kill gpg-agent 2>/dev/null; rm -rf "$scratch"' EXIT
printf 'default-cache-ttl 0\nmax-cache-ttl 0\nallow-loopback-pinentry\n' >"$scratch/gpg-agent.conf"
i=1
while [ "$i" -lt "$count" ]; do
  printf 'Key-Type: eddsa\nKey-Curve: ed25519\nKey-Usage: sign\nSubkey-Type: ecdh\nSubkey-Curve: cv25519\n'
  printf 'Subkey-Usage: encrypt\nName-Real: Ring Key %05d\nName-Email: key%05d@example.org\n' "$i" "$i"
  printf 'Expire-Date: 0\n%%no-protection\n%%commit\n'
  i=$((i + 1))
done >"$scratch/params"
gpg --homedir "$scratch" --batch --no-tty --gen-key "$scratch/params" 2>/dev/null
# Only the bench user's secret key stays.
rm -f "$scratch"/private-keys-v1.d/*.key
printf '%s' "$pass" >"$scratch/pp"
gpg --homedir "$scratch" --batch --no-tty --pinentry-mode loopback --passphrase-file "$scratch/pp" \
  --quick-gen-key "$uid" future-default default never 2>/dev/null
rm -f "$scratch/pp" "$scratch/params"
gpgconf --homedir "$scratch" --kill gpg-agent
mkdir -p "$home"
chmod 700 "$home"
cp -R "$scratch"/pubring.kbx "$scratch"/trustdb.gpg "$scratch"/private-keys-v1.d "$scratch"/gpg-agent.conf "$home"/
