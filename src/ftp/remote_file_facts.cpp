#include "ftp/remote_file_facts.h"

#include "ftp/control_channel.h"
#include "ftp/modification_time.h"
#include "ftp/remote_operations.h"

Result<RemoteFileFacts> AskFileFacts(ControlChannel& control, const std::string& name) {
    if (control.RefuseUnsendable(name)) return Error(Error::Category::NotSent, "Not a usable name: " + name);
    // Servers refuse SIZE in ASCII mode (the size would depend on line ends);
    // every transfer sends its own TYPE again.
    control.SendCommand("TYPE I");
    RemoteFileFacts facts;
    bool known = false;
    if (control.SendCommand("SIZE " + name) == kComplete && control.ReplyCode() == 213) {
        known = true;
        facts.size = SizeFromSizeReply(control.ReplyText());
    }
    const int sizeReply = control.ReplyCode();
    if (control.SendCommand("MDTM " + name) == kComplete && control.ReplyCode() == 213) {
        known = true;
        if (std::optional<ServerTime> time = TimeFromMdtmReply(control.ReplyText())) facts.modified = time->seconds;
    }
    if (!known) return Error(Error::Category::Reply, "No such file: " + name, sizeReply);
    return facts;
}
