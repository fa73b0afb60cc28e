// What an attenuator sends back: the bytes go over a real loopback TCP
// connection into the link's line reader (endless lines, lone CRs, NULs and
// lines cut off by the peer's close included), and every line it hands on
// goes through the front panel's readers of the name and state answers.

#include "link/AttenuatorRules.h"
#include "link/TovarinProtocol.h"
#include "link/TovarinSend.h"

#include "FuzzSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// A listening socket on 127.0.0.1 that lives as long as the process.
struct TListener {
    int fd = -1;
    std::string port;
    TListener() {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        FUZZ_CHECK(fd >= 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        FUZZ_CHECK(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0);
        FUZZ_CHECK(::listen(fd, 4) == 0);
        socklen_t len = sizeof a;
        FUZZ_CHECK(::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0);
        port = std::to_string(ntohs(a.sin_port));
    }
};

void ReadAnswers(const std::string& line) {
    FUZZ_CHECK(line.size() <= TTovarinSend::kMaxLine);
    FUZZ_CHECK(line.find("\r\n") == std::string::npos);
    if (const auto value = AnswerValue(line)) FUZZ_CHECK(*value >= -99 && *value <= 999);
    if (const auto name = AnswerName(line)) FUZZ_CHECK(name->size() <= 4);
    // The link's own readers of the identification and mode replies.
    if (ReplyKind(line) == TReplyKind::Ident) {
        const TIdentReply ident = ReadIdentReply(line);
        FUZZ_CHECK(ident.Id.size() <= 6);
        if (ident.MaxAtt) FUZZ_CHECK(*ident.MaxAtt >= -99 && *ident.MaxAtt <= 999);
    }
    (void)ModeIsAuto(line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TListener listener;
    TTovarinSend client;
    client.TargetHost = "127.0.0.1";
    client.TargetPort = listener.port;
    client.Timeout = 2000;
    FUZZ_CHECK(client.Connect());
    const int peer = ::accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC);
    FUZZ_CHECK(peer >= 0);

    // The whole reply, then the end of the stream.
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(peer, data + sent, size - sent, MSG_NOSIGNAL);
        FUZZ_CHECK(n > 0);
        sent += static_cast<std::size_t>(n);
    }
    ::shutdown(peer, SHUT_WR);

    std::size_t lines = 0;
    for (;;) {
        const std::string line = client.ReadLine();
        if (client.LastError() != 0) break;
        ReadAnswers(line);
        FUZZ_CHECK(++lines <= size / 2);  // every line costs its CR LF
    }
    // A reader that gave up on a line never hands on a line from the middle
    // of it: after an error only the end of the stream or an over-long line.
    FUZZ_CHECK(client.LastError() == ECONNRESET || client.LastError() == EMSGSIZE);

    // Reset rather than close, so that a long run leaves no connections
    // waiting out their TIME_WAIT.
    linger hard{1, 0};
    ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(peer);
    return 0;
}
