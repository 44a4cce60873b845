#include "ftp/connection.h"

#include "ftp/ftp_session.h"
#include "ftp/logon_failure_text.h"
#include "ftp/own_thread_reports.h"
#include "ftp/remote_path.h"
#include "ftp/tree_removal.h"
#include "ftp/walk_loop_guard.h"

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

void Connection::SetCertificateQuestion(tls::CertificateQuestion* question) {
    session->SetCertificateQuestion(question);
}

Connection::Connection(LogQueue& log, ConnectionSettings settings) : settings(std::move(settings)), callerLog(log) {
    statusRecord = std::make_unique<TransferStatus>();
    reports = std::make_unique<OwnThreadReports>(
        *statusRecord,
        [this](std::int64_t done, std::int64_t total) {
            ConnectionEvent event;
            event.request = runningOnThread;
            event.doneBytes = done;
            event.totalBytes = total;
            events.Append(std::move(event));
        },
        [this] { PassLogOn(); });
    session = std::make_unique<FtpSession>(ownLog, *statusRecord);
    session->SetUi(reports.get());
    session->RunOnCallingThread(true);
    thread = std::thread([this] { Run(); });
}

// A request that runs is stopped; an idle connection says goodbye (QUIT) on
// its thread before it ends, as a disconnect would.
Connection::~Connection() {
    bool stopRunning = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        ending = true;
        waiting.clear();
        stopRunning = running != 0;
        cancelRunning = stopRunning;
    }
    if (stopRunning) session->Control().RequestStop();
    wake.notify_all();
    thread.join();
    session->SetUi(nullptr);
    session->CloseAll();
    PassLogOn();
}

void Connection::PassLogOn() {
    for (std::string& line : ownLog.TakeAll()) callerLog.Append(line);
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
            if (ending) {
                guard.unlock();
                if (session->IsConnected()) session->Quit();
                return;
            }
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
            enteredDirectory.clear();
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
    if (std::holds_alternative<request::Quit>(request)) return Quit();
    if (Result<void> login = EnsureLoggedIn(); !login) return login;
    // The tree requests move about below their folder.
    const bool walks = std::holds_alternative<request::SurveyTree>(request) ||
                       std::holds_alternative<request::RemoveTree>(request) ||
                       std::holds_alternative<request::DownloadTree>(request);
    if (walks) {
        RequestResult result = Dispatch(request);
        enteredDirectory.clear();
        return result;
    }
    return Dispatch(request);
}

RequestResult Connection::Dispatch(const Request& request) {
    RemoteOperations& remote = session->Remote();
    return std::visit(
        Overloaded{
            [this](const request::Connect&) -> RequestResult { return Facts(); },
            [](const request::Quit&) -> RequestResult { return Result<void>(); },
            [this](const request::ChangeDirectory& r) -> RequestResult { return Enter(r.path); },
            [this](const request::List& r) -> RequestResult { return List(r.path); },
            [this](const request::Stat& r) -> RequestResult { return Stat(r.path); },
            [&](const request::MakeDirectory& r) -> RequestResult { return remote.MakeDir(r.path); },
            [&](const request::RemoveDirectory& r) -> RequestResult { return remote.RemoveDir(r.path); },
            [&](const request::Delete& r) -> RequestResult { return remote.DeleteFile(r.path); },
            [&](const request::Rename& r) -> RequestResult { return remote.Rename(r.from, r.to); },
            [&](const request::SetPermissions& r) -> RequestResult { return remote.SetPermissions(r.mode, r.path); },
            [this](const request::SurveyTree& r) -> RequestResult { return Survey(r.path); },
            [this](const request::RemoveTree& r) -> RequestResult { return RemoveTree(r.path); },
            [this](const request::DownloadTree& r) -> RequestResult { return DownloadTree(r); },
            [this](const request::Transfer& r) -> RequestResult { return Transfer(r); },
        },
        request);
}

// Logs in before the first request, and again after the server or a cancel
// closed the connection.
Result<void> Connection::EnsureLoggedIn() {
    if (session->IsConnected()) return {};
    enteredDirectory.clear();
    session->CloseAll();
    session->Configure(settings);
    const LogonResult logon = session->Logon();
    if (logon.Connected()) return {};
    if (logon.cause == LogonResult::Cause::Cancelled) return Error(Error::Category::Cancelled, "Cancelled");
    const Error::Category category = logon.cause == LogonResult::Cause::WrongCredentials
                                         ? Error::Category::Reply
                                         : Error::Category::Connection;
    return Error(category, LogonFailureText(logon, settings.timeoutSeconds), logon.replyCode, logon.socketError);
}

Result<void> Connection::Quit() {
    enteredDirectory.clear();
    if (session->IsConnected()) session->Quit();
    session->CloseAll();
    return {};
}

// Asks where the log-in put the connection (PWD); a server that will not
// say leaves the home empty, which callers treat as unknown.
Result<LoginFacts> Connection::Facts() {
    LoginFacts facts;
    ControlChannel& control = session->Control();
    if (control.Command("PWD") == kComplete) ParseQuotedDirectory(control.ReplyText(), facts.home);
    if (!session->IsConnected()) return ReplyError("The connection was lost");
    const ConnectionProtection& protection = session->Protection();
    facts.protocol = protection.Protocol();
    facts.dataEncrypted = protection.DataEncrypted();
    facts.fingerprintToStore = protection.FingerprintToStore();
    return facts;
}

// A tree is surveyed and removed from its parent folder, where the removal
// names it.
Result<TreeContents> Connection::Survey(const std::string& path) {
    const RemoteLocation where = SplitRemotePath(path);
    if (Result<void> entered = Enter(where.directory); !entered) return entered.Failure();
    TreeRemoval removal(*session);
    if (!removal.Survey(where.name)) return Error(Error::Category::Reply, removal.Problem());
    return TreeContents{removal.Contents().files, removal.Contents().folders, removal.IsLink()};
}

Result<TreeLeftovers> Connection::RemoveTree(const std::string& path) {
    const RemoteLocation where = SplitRemotePath(path);
    if (Result<void> entered = Enter(where.directory); !entered) return entered.Failure();
    TreeRemoval removal(*session);
    if (!removal.Survey(where.name)) return Error(Error::Category::Reply, removal.Problem());
    removal.Remove();
    return TreeLeftovers{removal.Failures()};
}

// An empty directory, or ".", is where the connection is: a server that would
// not say where the log-in put it leaves callers only names relative to that.
// The directory entered last is remembered, so that a listing asked for
// right after entering its directory sends no second CWD.
Result<void> Connection::Enter(const std::string& directory) {
    if (directory.empty() || directory == "." || directory == enteredDirectory) return {};
    enteredDirectory.clear();
    Result<void> entered = session->Remote().ChangeDir(directory);
    if (entered) enteredDirectory = directory;
    return entered;
}

// Enters the directory and lists it there, so that servers that list only
// the current directory are asked the same way as the others.
Result<Listing> Connection::List(const std::string& path) {
    if (Result<void> entered = Enter(path); !entered) return entered.Failure();
    Result<Listing> listing = session->Lister().List(path);
    if (listing || listing.Failure().category == Error::Category::Cancelled) return listing;
    return ReplyError("Could not get the directory listing");
}

Result<RemoteFileFacts> Connection::Stat(const std::string& path) {
    Result<RemoteFileFacts> facts = AskFileFacts(session->Control(), path);
    // Neither answer may have come because the connection broke.
    if (!facts && !session->IsConnected()) return ReplyError("No such file: " + path);
    return facts;
}

Result<WalkResult> Connection::DownloadTree(const request::DownloadTree& tree) {
    const RemoteLocation where = SplitRemotePath(tree.remotePath);
    if (Result<void> entered = Enter(where.directory); !entered) return entered.Failure();
    const WalkResult walk = session->DownloadTree(where.name, &tree.localPath);
    if (walk.outcome == WalkResult::Outcome::Aborted && !session->IsConnected())
        return Error(Error::Category::Connection, "The connection was lost");
    return walk;
}

// The transfer runs here, on the connection's thread: the session's worker
// would be a second thread for the same connection.
Result<TransferOutcome> Connection::Transfer(const request::Transfer& transfer) {
    const RemoteLocation where = SplitRemotePath(transfer.remotePath);
    if (Result<void> entered = Enter(where.directory); !entered) return entered.Failure();
    FileTransfer& transfers = session->Transfer();
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
