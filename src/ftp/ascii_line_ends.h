#pragma once

#include <cstddef>

// ASCII transfers carry text with CR LF line ends (the network form); local
// text files end their lines with LF alone. These two converters translate
// block by block, remembering a CR that ends one block until the next.

// Network to local: CR LF becomes LF; a CR not followed by LF is kept.
class AsciiReceiveConverter {
public:
    // Converts length bytes in place; returns the number of bytes now in data.
    // data must have room for one byte more than length (a CR held back from
    // the previous block may be put in front).
    std::size_t Convert(char* data, std::size_t length);
    // A CR held back at the very end of the data; emitted by Finish.
    std::size_t Finish(char* data);

private:
    bool pendingCr = false;
};

// Local to network: an LF that does not follow a CR becomes CR LF.
class AsciiSendConverter {
public:
    // Writes the converted bytes of in to out, which must hold 2 * length bytes;
    // returns the number written.
    std::size_t Convert(const char* in, std::size_t length, char* out);

private:
    bool lastWasCr = false;
};
