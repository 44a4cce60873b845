#include "ftp/connection.h"

#include "ftp/ftp_session.h"
#include "ftp/own_thread_reports.h"
#include "ftp/remote_path.h"

namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

}  // namespace

const Error& FailureOf(const RequestResult& result) {
    return std::visit([](const auto& r) -> const Error& { return r.Failure(); }, result);
}

Connection::Connection(LogQueue& log, ConnectionSettings settings) : settings(std::move(settings)) {
    statusRecord = std::make_unique<TransferStatus>();
    reports = std::make_unique<OwnThreadReports>(*statusRecord, [this](std::int64_t done, std::int64_t total) {
        ConnectionEvent event;
        event.request = runningOnThread;
        event.doneBytes = done;
        event.totalBytes = total;
        events.Append(std::move(event));
    });
    session = std::make_unique<FtpSession>(log, *statusRecord);
    session->SetUi(reports.get());
    session->RunOnCallingThread(true);
    thread = std::thread([this] { Run(); });
}

Connection::~Connection() {
    {
        std::lock_guard<std::mutex> guard(lock);
        ending = true;
        cancelRunning = true;
    }
    session->Control().RequestStop();
    wake.notify_all();
    thread.join();
    session->SetUi(nullptr);
    session->CloseAll();
}

std::uint64_t Connection::Submit(Request request) {
    std::uint64_t id;
    {
        std::lock_guard<std::mutex> guard(lock);
        id = nextId++;
        waiting.emplace_back(id, std::move(request));
    }
    wake.notify_all();
    return id;
}

void Connection::Cancel(std::uint64_t id) {
    bool wasWaiting = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        for (auto entry = waiting.begin(); entry != waiting.end(); ++entry) {
            if (entry->first == id) {
                waiting.erase(entry);
                wasWaiting = true;
                break;
            }
        }
        if (!wasWaiting && running == id) {
            cancelRunning = true;
            // Wakes the exchange the thread is in (a reply, a data connection).
            session->Control().RequestStop();
        }
    }
    if (wasWaiting) {
        ConnectionEvent event;
        event.request = id;
        event.finished = true;
        event.result = Result<void>(Error(Error::Category::Cancelled, "Cancelled"));
        events.Append(std::move(event));
    }
}

void Connection::Run() {
    for (;;) {
        std::pair<std::uint64_t, Request> next;
        {
            std::unique_lock<std::mutex> guard(lock);
            wake.wait(guard, [this] { return ending || !waiting.empty(); });
            if (ending) return;
            next = std::move(waiting.front());
            waiting.pop_front();
            running = next.first;
            cancelRunning = false;
        }
        runningOnThread = next.first;
        RequestResult result = Execute(next.second);
        bool cancelled;
        {
            std::lock_guard<std::mutex> guard(lock);
            cancelled = cancelRunning;
            running = 0;
            cancelRunning = false;
        }
        if (cancelled) {
            // What the stopped exchange left on the connection is unknown:
            // the next request starts on a new one.
            session->Control().ClearStop();
            session->CloseAll();
            result = Result<void>(Error(Error::Category::Cancelled, "Cancelled"));
        }
        ConnectionEvent event;
        event.request = next.first;
        event.finished = true;
        event.result = std::move(result);
        events.Append(std::move(event));
    }
}

RequestResult Connection::Execute(const Request& request) {
    if (Result<void> login = EnsureLoggedIn(); !login) return login;
    RemoteOperations& remote = session->Remote();
    return std::visit(
        Overloaded{
            [](const request::Connect&) -> RequestResult { return Result<void>(); },
            [this](const request::ChangeDirectory& r) -> RequestResult { return Enter(r.path); },
            [this](const request::List& r) -> RequestResult { return List(r.path); },
            [this](const request::Stat& r) -> RequestResult { return Stat(r.path); },
            [&](const request::MakeDirectory& r) -> RequestResult { return remote.MakeDir(r.path); },
            [&](const request::RemoveDirectory& r) -> RequestResult { return remote.RemoveDir(r.path); },
            [&](const request::Delete& r) -> RequestResult { return remote.DeleteFile(r.path); },
            [&](const request::Rename& r) -> RequestResult { return remote.Rename(r.from, r.to); },
            [&](const request::SetPermissions& r) -> RequestResult { return remote.SetPermissions(r.mode, r.path); },
            [this](const request::Transfer& r) -> RequestResult { return Transfer(r); },
        },
        request);
}

// Logs in before the first request, and again after the server or a cancel
// closed the connection.
Result<void> Connection::EnsureLoggedIn() {
    if (session->IsConnected()) return {};
    session->CloseAll();
    session->Configure(settings);
    const LogonResult logon = session->Logon();
    if (logon.Connected()) return {};
    return Error(Error::Category::Connection, ConnectFailureText(logon), logon.replyCode);
}

Result<void> Connection::Enter(const std::string& directory) { return session->Remote().ChangeDir(directory); }

// Enters the directory and lists it there, so that servers that list only
// the current directory are asked the same way as the others.
Result<Listing> Connection::List(const std::string& path) {
    if (Result<void> entered = Enter(path); !entered) return entered.Failure();
    Result<Listing> listing = session->Listing().List(path);
    if (listing || listing.Failure().category == Error::Category::Cancelled) return listing;
    return ReplyError("Could not get the directory listing");
}

Result<RemoteFileFacts> Connection::Stat(const std::string& path) {
    Result<RemoteFileFacts> facts = AskFileFacts(session->Control(), path);
    // Neither answer may have come because the connection broke.
    if (!facts && !session->IsConnected()) return ReplyError("No such file: " + path);
    return facts;
}

// The transfer runs here, on the connection's thread: the session's worker
// would be a second thread for the same connection.
Result<TransferOutcome> Connection::Transfer(const request::Transfer& transfer) {
    const RemoteLocation where = SplitRemotePath(transfer.remotePath);
    if (Result<void> entered = Enter(where.directory); !entered) return entered.Failure();
    Transfers& transfers = session->Transfer();
    transfers.SetResume(transfer.resume);
    const TransferOutcome outcome = session->RunTransfer(
        TransferRequest::ForFile(transfer.direction, where.name, transfer.localPath, transfer.type));
    transfers.SetResume(false);
    if (outcome.kind == TransferOutcome::Kind::Completed || outcome.kind == TransferOutcome::Kind::Verified)
        return outcome;
    const Error::Category category = outcome.kind == TransferOutcome::Kind::Cancelled ? Error::Category::Cancelled
                                     : outcome.kind == TransferOutcome::Kind::LocalError ? Error::Category::Local
                                     : outcome.kind == TransferOutcome::Kind::Refused    ? Error::Category::Reply
                                                                                         : Error::Category::Connection;
    return Error(category, outcome.reason, outcome.replyCode);
}

Error Connection::ReplyError(const std::string& fallback) const {
    const ControlChannel& control = session->Control();
    // A closed connection reads as a 421 without text.
    if (!session->IsConnected() || (control.ReplyCode() == 421 && control.ReplyText().empty())) {
        return Error(Error::Category::Connection, "The connection was lost");
    }
    if (control.ReplyCode() >= 400) {
        return Error(Error::Category::Reply, control.ReplyText().empty() ? fallback : control.ReplyText(),
                     control.ReplyCode());
    }
    return Error(Error::Category::Protocol, fallback, control.ReplyCode());
}
