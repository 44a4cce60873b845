#include "ftp/transfer_request.h"

#include <utility>

TransferRequest TransferRequest::ForFile(Direction direction, std::string remoteName, std::string localPath,
                                         char type) {
    TransferRequest request;
    request.direction = direction;
    request.remoteName = std::move(remoteName);
    request.localPath = std::move(localPath);
    request.type = type;
    return request;
}

TransferRequest TransferRequest::Listing(std::string command) {
    TransferRequest request;
    request.direction = Direction::Listing;
    request.listing = std::move(command);
    request.type = 'A';
    return request;
}

std::string TransferCommandText(const TransferRequest& request) {
    switch (request.direction) {
        case TransferRequest::Direction::Download:
            return "RETR " + request.remoteName;
        case TransferRequest::Direction::Upload:
            return (request.append ? "APPE " : "STOR ") + request.remoteName;
        case TransferRequest::Direction::Listing:
            break;
    }
    return request.listing;
}
