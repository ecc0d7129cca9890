#!/bin/bash
# Makes the parser's test messages with real tools into FOLDER: gpg's armoured
# output, Python's email library (make-messages.py) and a message sent by mutt
# in batch mode, delivered into a Maildir under FOLDER/mutt-maildir.
set -eu
out=$1
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out" && mkdir -p "$out/gnupg" "$out/home"
chmod 700 "$out/gnupg"
echo "The secret text." >"$out/plain.txt"
gpg --homedir "$out/gnupg" --batch --yes --pinentry-mode loopback --passphrase pw \
  --armor --symmetric --output "$out/armoured.asc" "$out/plain.txt" 2>/dev/null
gpgconf --homedir "$out/gnupg" --kill all 2>/dev/null || true
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
