// Checking transferred files against the server's digest, and the outcome of
// each transfer. A download is checked while it is still "NAME.part", so a
// file that does not match never takes the place of the one it would replace.
#include "ftp/file_transfer.h"

TransferOutcome FileTransfer::Retrieve() {
    BeginOutcome();
    return ConcludeOutcome(RunRetrieve());
}

TransferOutcome FileTransfer::Store() {
    BeginOutcome();
    ReplyClass result = RunStore();
    if (result == kComplete && !UploadPassesCheck()) result = kPermanent;
    return ConcludeOutcome(result);
}

void FileTransfer::BeginOutcome() {
    localFailure = {};
    verified = false;
    mismatch.clear();
    timeLimitsAtStart = control.TimeLimitsReached();
}

TransferOutcome FileTransfer::ConcludeOutcome(ReplyClass result) {
    TransferFacts facts;
    facts.result = result;
    facts.replyCode = control.ReplyCode();
    facts.replyText = control.ReplyText();
    facts.stopped = control.StopRequested();
    facts.timedOut = control.TimeLimitsReached() != timeLimitsAtStart;
    facts.connectionLost = !control.IsOpen() || connected == 0 || control.Aborted();
    facts.localFailure = localFailure.message;
    facts.verified = verified;
    facts.mismatch = mismatch;
    TransferOutcome outcome = OutcomeOf(facts);
    outcome.result = result;
    return outcome;
}

bool FileTransfer::ChecksWanted(bool required) const {
    return (required || login.Settings().verifyTransfers) && verifier.Offered() && !control.StopRequested();
}

// The bytes the running download's data connection should carry, by the
// server's announcement: -1 when none came, and in ASCII mode, whose line
// ends change the count.
std::int64_t FileTransfer::AnnouncedDataLength() {
    if (request.type == 'A') return -1;
    TransferStatusLock lock(status);
    return status.totalKnown ? status.expectedBytes - restartOffset : -1;
}

// Called with the whole file received and confirmed by the server, before it
// replaces the target. False when it must not: set aside (mismatch) or
// discarded (the received file could not be written out).
bool FileTransfer::DownloadPassesCheck() {
    // A data connection that ended without its TLS close stands by its
    // length only if the server's digest, where it offers one, agrees too.
    const bool cut = dataStream && dataStream->EndedWithoutClose();
    if (!request.IsDownload() || !ChecksWanted(cut)) return true;
    const std::string& remoteName = request.remoteName;
    const std::string& localPath = request.localPath;
    if (request.type == 'A') {
        control.LogF("%s is not verified: ASCII transfers change the line ends.", remoteName.c_str());
        return true;
    }
    const std::string received = partialDownload.WrittenPath();
    if (received.empty()) {
        control.LogF("%s is not verified: it was written into a pipe or device.", remoteName.c_str());
        return true;
    }
    if (const int error = partialDownload.WriteOut()) {
        LocalFileFailed("write " + received, error);
        partialDownload.Discard();
        return false;
    }
    const TransferVerifier::Check check = verifier.Verify(remoteName, received);
    if (cut && check.kind == TransferVerifier::Check::Kind::CouldNotVerify) {
        control.LogF("%s ended without a TLS close and could not be verified (%s); the download failed.",
                     remoteName.c_str(), check.why.c_str());
        partialDownload.Discard();
        return false;
    }
    if (check.kind != TransferVerifier::Check::Kind::Mismatch) return AcceptCheck(check, remoteName);
    const std::string algorithm(HashAlgorithmName(check.algorithm));
    const std::string aside = localPath + ".mismatch";
    if (partialDownload.SetAside(aside) == 0) {
        control.LogF("%s does not match the server's %s; kept as %s.", remoteName.c_str(), algorithm.c_str(),
                     aside.c_str());
    } else {
        control.LogF("%s does not match the server's %s; %s stays as it was.", remoteName.c_str(),
                     algorithm.c_str(), localPath.c_str());
    }
    NoteMismatch(check);
    return false;
}

// After an upload the server confirmed: the server's digest of what it
// stored must be the local file's.
bool FileTransfer::UploadPassesCheck() {
    if (!request.IsUpload() || !ChecksWanted()) return true;
    const std::string& remoteName = request.remoteName;
    const std::string& localPath = request.localPath;
    if (request.type == 'A') {
        control.LogF("%s is not verified: ASCII transfers change the line ends.", remoteName.c_str());
        return true;
    }
    const TransferVerifier::Check check = verifier.Verify(remoteName, localPath);
    if (check.kind != TransferVerifier::Check::Kind::Mismatch) return AcceptCheck(check, remoteName);
    control.LogF("%s on the server does not match the %s of %s; the upload failed.", remoteName.c_str(),
                 std::string(HashAlgorithmName(check.algorithm)).c_str(), localPath.c_str());
    NoteMismatch(check);
    return false;
}

// A check that could not be made is logged and leaves the transfer done but
// not verified: never a pass, never a failure of a transfer that went well.
bool FileTransfer::AcceptCheck(const TransferVerifier::Check& check, const std::string& remoteName) {
    const std::string algorithm(HashAlgorithmName(check.algorithm));
    if (check.kind == TransferVerifier::Check::Kind::Matched) {
        control.LogF("Verified %s: %s matches.", remoteName.c_str(), algorithm.c_str());
        verified = true;
    } else if (check.kind == TransferVerifier::Check::Kind::CouldNotVerify && !control.StopRequested()) {
        control.LogF("Could not verify %s: %s.", remoteName.c_str(), check.why.c_str());
    }
    return true;
}

void FileTransfer::NoteMismatch(const TransferVerifier::Check& check) {
    const std::string algorithm(HashAlgorithmName(check.algorithm));
    control.LogF("Server %s: %s", algorithm.c_str(), check.serverDigest.c_str());
    control.LogF("Local %s:  %s", algorithm.c_str(), check.localDigest.c_str());
    mismatch = algorithm + " does not match the server's";
}
