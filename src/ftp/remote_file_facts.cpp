#include "ftp/remote_file_facts.h"

#include <charconv>

#include "ftp/control_channel.h"
#include "ftp/modification_time.h"

namespace {

// "213 1234" gives 1234; anything else -1.
std::int64_t SizeInReply(const std::string& reply) {
    if (reply.size() < 5) return -1;
    std::int64_t size = -1;
    const char* last = reply.data() + reply.size();
    auto [end, failure] = std::from_chars(reply.data() + 4, last, size);
    return failure == std::errc() && end == last && size >= 0 ? size : -1;
}

}  // namespace

Result<RemoteFileFacts> AskFileFacts(ControlChannel& control, const std::string& name) {
    if (control.RefuseUnsendable(name)) return Error(Error::Category::NotSent, "Not a usable name: " + name);
    // Servers refuse SIZE in ASCII mode (the size would depend on line ends);
    // every transfer sends its own TYPE again.
    control.SendCommand("TYPE I");
    RemoteFileFacts facts;
    bool known = false;
    if (control.SendCommand("SIZE " + name) == kComplete && control.ReplyCode() == 213) {
        known = true;
        facts.size = SizeInReply(control.ReplyText());
    }
    const int sizeReply = control.ReplyCode();
    if (control.SendCommand("MDTM " + name) == kComplete && control.ReplyCode() == 213) {
        known = true;
        if (std::optional<ServerTime> time = TimeFromMdtmReply(control.ReplyText())) facts.modified = time->seconds;
    }
    if (!known) return Error(Error::Category::Reply, "No such file: " + name, sizeReply);
    return facts;
}
