#!/usr/bin/python3
"""A loopback SMTP server for tests, and a reader of what it received.

  smtp-maildir.py serve MAILDIR PORTFILE   serves on 127.0.0.1 (a free port,
      written to PORTFILE once listening); every message goes into MAILDIR with
      its envelope recipients in an X-Envelope-To header.
  smtp-maildir.py show MAILDIR             prints each received message as
      Python's email library reads it.
  smtp-maildir.py part MAILDIR NAME        writes the decoded attachments
      named NAME of every received message to standard output."""
import asyncio
import mailbox
import os
import sys

from aiosmtpd.smtp import SMTP


class Deliver:
    def __init__(self, path):
        self.box = mailbox.Maildir(path, create=True)

    async def handle_DATA(self, server, session, envelope):
        data = b"X-Envelope-To: " + ", ".join(envelope.rcpt_tos).encode() + b"\n" + envelope.original_content
        self.box.add(data)
        return "250 OK"


async def serve(path, portfile):
    handler = Deliver(path)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(handler), "127.0.0.1", 0)
    with open(portfile + ".tmp", "w") as f:
        f.write(str(server.sockets[0].getsockname()[1]))
    os.rename(portfile + ".tmp", portfile)
    await server.serve_forever()


def received(path):
    return [msg for key, msg in sorted(mailbox.Maildir(path, create=False).items())]


def show(path):
    for msg in received(path):
        print("envelope-to:", msg["X-Envelope-To"])
        for h in ("From", "To", "Cc", "Subject"):
            print(h.lower() + ":", " ".join(str(msg.get(h, "")).split()))
        for part in msg.walk():
            if part.get_content_maintype() == "multipart":
                continue
            name = part.get_filename() or "(note)"
            print("part", name + ":", repr(part.get_payload(decode=True).decode(part.get_content_charset() or "ascii")))


if sys.argv[1] == "serve":
    asyncio.run(serve(sys.argv[2], sys.argv[3]))
elif sys.argv[1] == "part":
    for msg in received(sys.argv[2]):
        for part in msg.walk():
            if part.get_filename() == sys.argv[3]:
                sys.stdout.buffer.write(part.get_payload(decode=True))
else:
    show(sys.argv[2])
