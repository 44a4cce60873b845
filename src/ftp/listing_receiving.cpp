// Directory listings received over a data connection straight into memory:
// the receiving loop is the download's (ReceiveFile), with the listing's
// text in place of the partial file.
#include "ftp/file_transfer.h"

DirectoryLister::Received FileTransfer::ReceiveListing(const std::string& command) {
    Prepare(TransferRequest::Listing(command));
    listingOverran = false;
    listingText.clear();
    listingLength = 0;
    DirectoryLister::Received listing;
    if (StartTransfer(true) != DataOpening::Open) return listing;
    const ReplyClass received = ReceiveFile(std::string());
    CloseAfterReceiving(received == kAborted);
    listing.overLimit = listingOverran;
    if (received == kAborted) {
        listing.reply = kAborted;
        return listing;
    }
    const ReplyClass reply = control.ReadReply();
    // Data that broke off is a failed listing, whatever the server says about its side.
    listing.reply =
        received == kPermanent || (received != kComplete && reply == kComplete) ? kPermanent : reply;
    if (listing.reply == kComplete) {
        listingText.resize(listingLength);
        listing.text = std::move(listingText);
    }
    listingText = std::string();
    listingLength = 0;
    return listing;
}

char* FileTransfer::ReserveRoom(std::size_t size, int& writeError) {
    if (!request.IsListing()) return partialDownload.Reserve(size, writeError);
    if (listingText.size() < listingLength + size) listingText.resize(listingLength + size);
    return listingText.data() + listingLength;
}

void FileTransfer::KeepReceived(std::size_t length) {
    if (request.IsListing()) {
        listingLength += length;
    } else {
        partialDownload.Advance(length);
    }
}
