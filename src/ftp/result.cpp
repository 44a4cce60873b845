#include "ftp/result.h"

#include "ftp/socket_error_text.h"

Error Error::FromSystem(const std::string& what, int errorNumber) {
    return Error(Category::Local, "Could not " + what + ": " + SystemErrorText(errorNumber), 0, errorNumber);
}

const Error& NoError() {
    static const Error none;
    return none;
}
