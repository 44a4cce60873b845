#include "ftp/tls/socket_bio.h"

#include <openssl/bio.h>
#include <sys/socket.h>

#include <cerrno>

namespace tls {

namespace {

// Per-BIO state: the descriptor and whether the peer has ended its side.
struct SocketBioState {
    int fd = -1;
    bool peerEnded = false;
};

SocketBioState* StateOf(BIO* bio) { return static_cast<SocketBioState*>(BIO_get_data(bio)); }

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

int ReadSocket(BIO* bio, char* buffer, int size) {
    SocketBioState* state = StateOf(bio);
    BIO_clear_retry_flags(bio);
    const ssize_t got = recv(state->fd, buffer, static_cast<size_t>(size), 0);
    if (got == 0) state->peerEnded = true;
    if (got < 0 && WouldBlock(errno)) BIO_set_retry_read(bio);
    return static_cast<int>(got);
}

int WriteSocket(BIO* bio, const char* data, int size) {
    BIO_clear_retry_flags(bio);
    const ssize_t sent = send(StateOf(bio)->fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
    if (sent < 0 && WouldBlock(errno)) BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

long ControlSocket(BIO* bio, int command, long, void*) {
    switch (command) {
        case BIO_CTRL_FLUSH:
            return 1;
        // OpenSSL asks this to tell a peer that closed without close_notify
        // (a truncated stream) from a read that merely failed.
        case BIO_CTRL_EOF:
            return StateOf(bio)->peerEnded ? 1 : 0;
        default:
            return 0;
    }
}

int CreateSocketBio(BIO* bio) {
    BIO_set_data(bio, new SocketBioState);
    BIO_set_init(bio, 1);
    return 1;
}

int DestroySocketBio(BIO* bio) {
    delete StateOf(bio);
    BIO_set_data(bio, nullptr);
    return 1;
}

BIO_METHOD* MakeSocketBioMethod() {
    BIO_METHOD* method = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "quillmoor socket");
    if (method == nullptr) return nullptr;
    BIO_meth_set_read(method, &ReadSocket);
    BIO_meth_set_write(method, &WriteSocket);
    BIO_meth_set_ctrl(method, &ControlSocket);
    BIO_meth_set_create(method, &CreateSocketBio);
    BIO_meth_set_destroy(method, &DestroySocketBio);
    return method;
}

}  // namespace

BIO* NewSocketBio(int fd) {
    // Made once and kept for the life of the process, as OpenSSL's own are.
    static BIO_METHOD* const method = MakeSocketBioMethod();
    if (method == nullptr) return nullptr;
    BIO* bio = BIO_new(method);
    if (bio != nullptr) StateOf(bio)->fd = fd;
    return bio;
}

}  // namespace tls
