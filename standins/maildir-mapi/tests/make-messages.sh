#!/bin/bash
# Makes the parser's test messages with real tools into FOLDER: gpg's armoured
# output, Python's email library (make-messages.py) and a message sent by mutt
# in batch mode, delivered into a Maildir under FOLDER/mutt-maildir.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$1" && mkdir -p "$1"
# The physical path: gpg-agent refuses a socket path with ':', and Wine's
# paths pass through "dosdevices/c:".
out=$(cd "$1" && pwd -P)
mkdir -p "$out/home"
# A short GnuPG home: the agent's socket path must stay under 108 bytes.
gnupg=$(mktemp -d)
trap 'gpgconf --homedir "$gnupg" --kill all 2>/dev/null; rm -rf "$gnupg"' EXIT
echo "The secret text." >"$out/plain.txt"
gpg --homedir "$gnupg" --batch --yes --pinentry-mode loopback --passphrase pw \
  --armor --symmetric --output "$out/armoured.asc" "$out/plain.txt"
/usr/bin/python3 "$here/make-messages.py" "$out" "$out/armoured.asc"

# mutt hands the message to a "sendmail" that delivers into a Maildir.
box="$out/mutt-maildir"
mkdir -p "$box/cur" "$box/new" "$box/tmp"
cat >"$out/deliver" <<DELIVER
#!/bin/sh
name=\$(date +%s).M\$\$P1.test
cat >"$box/tmp/\$name" && mv "$box/tmp/\$name" "$box/new/\$name"
DELIVER
chmod +x "$out/deliver"
printf 'Hallo, here is the key: Grüße.\n' >"$out/mutt-body"
HOME="$out/home" LC_ALL=C.UTF-8 mutt -n -F /dev/null \
  -e "set sendmail='$out/deliver'" -e 'set charset=utf-8' -e 'set send_charset="us-ascii:iso-8859-1:utf-8"' \
  -e 'set from="Mutt User <mutt@example.org>"' -e 'set use_from=yes' -e 'set record=' \
  -s 'Grüße from mutt' -a "$out/armoured.asc" -- someone@example.org <"$out/mutt-body"
ls "$box/new" | grep -q . || { echo "mutt delivered nothing" >&2; exit 1; }
