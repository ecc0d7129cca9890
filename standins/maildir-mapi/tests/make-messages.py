#!/usr/bin/python3
"""Writes test messages made by Python's email library into a folder, one file
each, and beside each an "expect" file: the sender's name, the subject and the
text a reader must show, in UTF-8, separated by NUL bytes. Usage: make-messages.py FOLDER ARMOURED_FILE"""
import sys
from email.header import Header
from email.message import EmailMessage
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
from email.utils import formataddr

folder, armoured_file = sys.argv[1], sys.argv[2]
armoured = open(armoured_file).read()


def save(name, msg, sender, subject, text):
    with open(f"{folder}/{name}.eml", "wb") as f:
        f.write(msg.as_bytes())
    with open(f"{folder}/{name}.expect", "wb") as f:
        f.write("\0".join([sender, subject, text]).encode("utf-8"))


# Inline PGP in quoted-printable, with a long line and non-ASCII text around it.
text = "Grüße vorab – see below.\n" + armoured + "x" * 120 + "\n"
m = MIMEText(text, "plain", "utf-8")
m.replace_header("Content-Transfer-Encoding", "quoted-printable")
m.set_payload(__import__("quopri").encodestring(text.encode("utf-8")).decode("ascii"))
m["From"] = formataddr(("Jürgen Müller", "juergen@example.org"), charset="utf-8")
m["Subject"] = Header("Verschlüsselte Nachricht", "utf-8")
save("inline-qp", m, "Jürgen Müller", "Verschlüsselte Nachricht", text)

# Inline PGP from a Cyrillic sender under a CJK subject, both RFC 2047 UTF-8.
m = MIMEText(armoured, "plain", "utf-8")
m["From"] = formataddr(("Алиса Петрова", "alisa@example.ru"), charset="utf-8")
m["Subject"] = Header("山田さんへ 暗号文 – 秘密", "utf-8")
save("cjk-cyrillic", m, "Алиса Петрова", "山田さんへ 暗号文 – 秘密", armoured)

# PGP/MIME as mail readers build it around gpg's armoured output.
m = MIMEMultipart("encrypted", protocol="application/pgp-encrypted")
control = MIMEApplication("Version: 1\n", "pgp-encrypted", _encoder=lambda p: None)
control.replace_header("Content-Type", "application/pgp-encrypted")
m.attach(control)
body = MIMEApplication(armoured, "octet-stream", _encoder=lambda p: None)
body.add_header("Content-Disposition", "inline", filename="encrypted.asc")
m.attach(body)
m["From"] = '"Doe, Jane" <jane@example.org>'
m["Subject"] = "PGP/MIME"
save("pgp-mime", m, "Doe, Jane", "PGP/MIME", armoured)

# Encoded-word subjects in three charsets, folded by the library.
for name, charset, subject in [("latin1", "iso-8859-1", "Ça coûte très cher, señor"),
                               ("koi8", "koi8-r", "Привет из Москвы " * 4),
                               ("latin2", "iso-8859-2", "Zażółć gęślą jaźń")]:
    m = MIMEText("body of " + name + "\n", "plain", "us-ascii")
    m["From"] = "plain@example.org"
    m["Subject"] = Header(subject, charset)
    save("subject-" + name, m, "plain@example.org", subject, "body of " + name + "\n")

# multipart/alternative with HTML first: the plain part is the text.
m = EmailMessage()
m["From"] = "Bob <bob@example.org>"
m["Subject"] = "Alternatives"
m.set_content("<p>HTML version</p>", subtype="html")
m.add_alternative("Plain version: café\n", subtype="plain", charset="iso-8859-1", cte="base64")
save("alternative", m, "Bob", "Alternatives", "Plain version: café\n")

# multipart/mixed: the first text part, not the attachment.
m = EmailMessage()
m["From"] = "carol@example.org (Carol Smith)"
m["Subject"] = "Mixed"
m.set_content("Text before the attachment.\n")
m.add_attachment(b"\x00\x01binary", maintype="application", subtype="octet-stream", filename="b.bin")
m.add_attachment("second text\n", filename="note.txt")
save("mixed", m, "Carol Smith", "Mixed", "Text before the attachment.\n")
