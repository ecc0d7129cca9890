#!/bin/sh
# Makes a GnuPG home holding COUNT keys: COUNT-1 keys without secret parts
# and, last, the bench user's key with its pass phrase, in scratch homes on a
# memory file system (GnuPG syncs after every key); the finished home is
# copied to HOME_DIR.
# The ring's keys share one primary and one encryption key pair, made once:
# each is bound anew with its own creation time (so its own fingerprint and
# key ID), its own user ID and self-signatures, from a gpg parameter file.
# gpg then only signs per key instead of generating two key pairs. Adding a
# key to a keybox looks through the whole keybox first, so the keys are made
# in homes of 1,000 and the keyboxes joined (a keybox is a header blob and
# then one blob per key).
# Usage: makering.sh HOME_DIR COUNT USER_ID PASS_PHRASE
set -eu
home=$1 count=$2 uid=$3 pass=$4
umask 077
scratch=$(mktemp -d /dev/shm/swring.XXXXXX 2>/dev/null || mktemp -d)
trap 'for h in "$scratch"/*/; do gpgconf --homedir "$h" --kill gpg-agent 2>/dev/null; done; rm -rf "$scratch"' EXIT
conf='default-cache-ttl 0\nmax-cache-ttl 0\nallow-loopback-pinentry\n'
gpg="gpg --batch --no-tty --trust-model always"
mkdir "$scratch/seed"
printf "$conf" >"$scratch/seed/gpg-agent.conf"
$gpg --homedir "$scratch/seed" --passphrase '' --pinentry-mode loopback --quick-gen-key 'ring seed' ed25519 sign never 2>/dev/null
seed=$($gpg --homedir "$scratch/seed" --with-colons --list-keys 'ring seed' | awk -F: '/^fpr/ {print $10; exit}')
$gpg --homedir "$scratch/seed" --passphrase '' --pinentry-mode loopback --quick-add-key "$seed" cv25519 encr never 2>/dev/null
grips=$($gpg --homedir "$scratch/seed" --with-colons --with-keygrip --list-keys "$seed" | awk -F: '/^grp/ {printf "%s ", $10}')
gpgconf --homedir "$scratch/seed" --kill gpg-agent
# Keys 1 to COUNT-1, a thousand to a home.
mkdir "$scratch/ring"
printf "$conf" >"$scratch/ring/gpg-agent.conf"
first=1
while [ "$first" -lt "$count" ]; do
  part="$scratch/part$first"
  mkdir "$part"
  cp -R "$scratch/seed/private-keys-v1.d" "$scratch/seed/gpg-agent.conf" "$part/"
  awk -v from="$first" -v n="$count" -v grips="$grips" 'BEGIN {
    split(grips, g, " ")
    for (i = from; i < n && i < from + 1000; i++)
      printf "Key-Type: eddsa\nKey-Grip: %s\nKey-Usage: sign\nSubkey-Type: ecdh\nSubkey-Grip: %s\n" \
             "Subkey-Usage: encrypt\nName-Real: Ring Key %05d\nName-Email: key%05d@example.org\n" \
             "Creation-Date: %s\nExpire-Date: 0\n%%no-protection\n%%commit\n",
             g[1], g[2], i, i, strftime("%Y%m%dT%H%M%S", 1500000000 + 60 * i, 1)
  }' >"$part/params"
  $gpg --homedir "$part" --gen-key "$part/params" 2>/dev/null
  gpgconf --homedir "$part" --kill gpg-agent
  if [ -f "$scratch/ring/pubring.kbx" ]; then
    tail -c +33 "$part/pubring.kbx" >>"$scratch/ring/pubring.kbx"
  else
    cat "$part/pubring.kbx" >"$scratch/ring/pubring.kbx"
  fi
  rm -rf "$part"
  first=$((first + 1000))
done
# The bench user's key, the only one with a secret part.
printf '%s' "$pass" >"$scratch/pp"
gpg --homedir "$scratch/ring" --batch --no-tty --pinentry-mode loopback --passphrase-file "$scratch/pp" \
  --quick-gen-key "$uid" future-default default never 2>/dev/null
rm -f "$scratch/pp"
gpgconf --homedir "$scratch/ring" --kill gpg-agent
mkdir -p "$home"
chmod 700 "$home"
cp -R "$scratch/ring/pubring.kbx" "$scratch/ring/trustdb.gpg" "$scratch/ring/private-keys-v1.d" \
  "$scratch/ring/gpg-agent.conf" "$home"/
