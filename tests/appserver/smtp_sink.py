#!/usr/bin/env python3
"""A receiving SMTP server for the mail tests, on a free loopback port.

Usage: smtp_sink.py DIR MODE [SECURITY CERT KEY]

MODE accept: every message is taken; DIR/<n>.json holds its envelope, headers and text as a
mail reader decodes them, DIR/<n>.eml its bytes and DIR/<n>-<i>.bin each attachment.
MODE refuse: every message is refused after its data with "554 5.7.1 refused by policy".
MODE close: the connection is dropped after the data, before any reply.
The mode can be changed while running by writing it into DIR/mode.
SECURITY starttls: the server offers STARTTLS and takes mail only after it; tls: the connection
is TLS from the start. CERT and KEY are the server's PEM files.

Prints "READY <port>" once listening; runs until stdin closes.
"""

import asyncio
import email
import email.policy
import json
import os
import socket
import ssl
import sys

from aiosmtpd.controller import Controller


class Sink:
    def __init__(self, folder, mode):
        self.folder = folder
        self.mode = mode
        self.count = 0

    def current_mode(self):
        try:
            with open(os.path.join(self.folder, "mode")) as f:
                return f.read().strip() or self.mode
        except OSError:
            return self.mode

    async def handle_DATA(self, server, session, envelope):
        mode = self.current_mode()
        if mode == "refuse":
            return "554 5.7.1 refused by policy"
        if mode == "close":
            server.transport.abort()
            return "421 closing"
        self.count += 1
        n = self.count
        raw = envelope.original_content or envelope.content
        with open(os.path.join(self.folder, "%d.eml" % n), "wb") as f:
            f.write(raw)
        message = email.message_from_bytes(raw, policy=email.policy.default)
        text = message.get_body(preferencelist=("plain",))
        files = []
        for i, part in enumerate(message.iter_attachments(), start=1):
            name = os.path.join(self.folder, "%d-%d.bin" % (n, i))
            with open(name, "wb") as f:
                f.write(part.get_payload(decode=True))
            files.append({"name": part.get_filename(), "file": name,
                          "type": part.get_content_type()})
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_to": envelope.rcpt_tos,
            "from": str(message["From"]),
            "to": str(message["To"]),
            "subject": str(message["Subject"]),
            "text": text.get_content() if text is not None else "",
            "attachments": files,
            "longest_line": max(len(line) for line in raw.split(b"\r\n")),
            "longest_text": max(raw.split(b"\r\n"), key=len).decode("ascii", "replace"),
        }
        # Written under another name first, so that a reader never sees half a record.
        path = os.path.join(self.folder, "%d.json" % n)
        with open(path + ".tmp", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False)
        os.replace(path + ".tmp", path)
        return "250 2.0.0 queued as sink-%d" % n


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def main():
    folder, mode = sys.argv[1], sys.argv[2]
    security = sys.argv[3] if len(sys.argv) > 3 else "none"
    options = {}
    if security != "none":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(sys.argv[4], sys.argv[5])
        if security == "tls":
            options["ssl_context"] = context
        else:
            options["tls_context"] = context
            options["require_starttls"] = True
    port = free_port()
    controller = Controller(Sink(folder, mode), hostname="127.0.0.1", port=port, **options)
    controller.start()
    print("READY %d" % port, flush=True)
    sys.stdin.read()
    controller.stop()


if __name__ == "__main__":
    main()
