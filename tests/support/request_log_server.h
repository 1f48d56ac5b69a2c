// An HTTPS server for the end-to-end tests whose request log proves that a client trusted it: it
// appends the path of every request it answers to a log file. TLS session tickets and keep-alive
// are off, so that every connection checks the chain afresh.
// Run it as: python3 -c kRequestLogServer PORT CERT KEY LOG
#pragma once

namespace corvane_test {

inline constexpr char kRequestLogServer[] = R"(import http.server, ssl, sys
port, cert, key, log = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    def do_GET(self):
        with open(log, "a") as out:
            out.write(self.path + "\n")
        body = b"<html><body>Corvane test page</body></html>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.options |= ssl.OP_NO_TICKET
context.load_cert_chain(cert, key)
server = http.server.HTTPServer(("127.0.0.1", port), Handler)
server.socket = context.wrap_socket(server.socket, server_side=True)
server.serve_forever()
)";

}  // namespace corvane_test
