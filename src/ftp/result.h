#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

// Why an engine operation did not succeed, in the same shape whatever failed:
// the kind of failure, the server's reply code and the system's error number
// where there are any, and a message for the log and the user.
struct Error {
    enum class Category {
        None,        // nothing failed
        Reply,       // the server refused (replyCode, and its reply as the message)
        Connection,  // no usable reply: the connection broke off, was aborted or timed out
        NotSent,     // nothing reached the server: an argument that cannot be sent, or no connection
        Local,       // a local file or system call failed (systemError)
        Cancelled,   // stopped or declined by the user
        Protocol,    // the server answered something this side cannot read
    };

    Error() = default;
    Error(Category category, std::string message, int replyCode = 0, int systemError = 0)
        : category(category), replyCode(replyCode), systemError(systemError), message(std::move(message)) {}

    Category category = Category::None;
    int replyCode = 0;    // the server's reply code (0: none)
    int systemError = 0;  // the errno of a failed local call (0: none)
    std::string message;

    // A failed local step: "Could not WHAT: " and the system's words for errorNumber.
    static Error FromSystem(const std::string& what, int errorNumber);
};

// The error every successful result reports: category None, no message.
const Error& NoError();

// A value, or the Error that kept it from being made. Engine calls return it
// instead of throwing or filling an out-parameter next to a bool.
template <typename T>
class Result {
public:
    Result(T value) : state(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state(std::in_place_index<1>, std::move(error)) {}

    bool Ok() const { return state.index() == 0; }
    explicit operator bool() const { return Ok(); }
    // Only for a result that is Ok.
    const T& Value() const { return std::get<0>(state); }
    T& Value() { return std::get<0>(state); }
    T ValueOr(T fallback) const { return Ok() ? Value() : std::move(fallback); }
    // NoError() for a result that is Ok.
    const Error& Failure() const { return Ok() ? NoError() : std::get<1>(state); }

private:
    std::variant<T, Error> state;
};

// Success with nothing to carry, or the Error.
template <>
class Result<void> {
public:
    Result() = default;
    Result(Error error) : failure(std::move(error)) {}

    bool Ok() const { return !failure.has_value(); }
    explicit operator bool() const { return Ok(); }
    const Error& Failure() const { return failure ? *failure : NoError(); }

private:
    std::optional<Error> failure;
};
