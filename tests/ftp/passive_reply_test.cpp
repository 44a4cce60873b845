// What the replies to EPSV and PASV are read as, and which are refused.
#include "ftp/passive_reply.h"

#include <gtest/gtest.h>

namespace {

struct ReplyRow {
    const char* text;
    bool valid;
    std::uint32_t address;
    std::uint16_t port;
};

TEST(PassiveReply, Epsv) {
    const ReplyRow rows[] = {
        {"229 Entering Extended Passive Mode (|||6446|)", true, 0, 6446},
        {"229 EPSV ok (!!!65535!)", true, 0, 65535},
        {"229 (|||1|) trailing words", true, 0, 1},
        {"229 Entering Extended Passive Mode (|||0|)", false, 0, 0},
        {"229 Entering Extended Passive Mode (|||65536|)", false, 0, 0},
        {"229 Entering Extended Passive Mode (|||123456|)", false, 0, 0},
        {"229 Entering Extended Passive Mode (||6446|)", false, 0, 0},
        {"229 Entering Extended Passive Mode (|||6446!)", false, 0, 0},
        {"229 Entering Extended Passive Mode (|||6446|", false, 0, 0},
        {"229 Entering Extended Passive Mode (||||)", false, 0, 0},
        {"229 Entering Extended Passive Mode (|||-1|)", false, 0, 0},
        {"229 Entering Extended Passive Mode (1116446)", false, 0, 0},
        {"229 Entering Extended Passive Mode", false, 0, 0},
        {"229 (", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const ReplyRow& row : rows) {
        PassiveReply reply;
        EXPECT_EQ(PassiveReply::ParseEpsv(row.text, reply), row.valid) << row.text;
        if (row.valid) {
            EXPECT_EQ(reply.port, row.port) << row.text;
        }
    }
}

TEST(PassiveReply, Pasv) {
    const ReplyRow rows[] = {
        {"227 Entering Passive Mode (127,0,0,1,4,1)", true, 0x7F000001, 1025},
        {"227 Entering Passive Mode (192,168,1,20,255,255).", true, 0xC0A80114, 65535},
        {"227 =10,0,0,1,0,21", true, 0x0A000001, 21},
        {"227 Entering Passive Mode 0,0,0,0,1,0", true, 0, 256},
        {"227 Entering Passive Mode (127,0,0,1,0,0)", false, 0, 0},
        {"227 Entering Passive Mode (256,0,0,1,4,1)", false, 0, 0},
        {"227 Entering Passive Mode (127,0,0,1,4,1000)", false, 0, 0},
        {"227 Entering Passive Mode (127,0,0,1,4)", false, 0, 0},
        {"227 Entering Passive Mode (127,0,0,1,4,1,9)", false, 0, 0},
        {"227 Entering Passive Mode (127,0,0,1,4,)", false, 0, 0},
        {"227 Entering Passive Mode (127, 0,0,1,4,1)", false, 0, 0},
        {"227 Entering Passive Mode (0127,0,0,1,4,1)", false, 0, 0},
        {"227 Entering Passive Mode", false, 0, 0},
        {"227", false, 0, 0},
    };
    for (const ReplyRow& row : rows) {
        PassiveReply reply;
        EXPECT_EQ(PassiveReply::ParsePasv(row.text, reply), row.valid) << row.text;
        if (row.valid) {
            EXPECT_EQ(reply.address, row.address) << row.text;
            EXPECT_EQ(reply.port, row.port) << row.text;
        }
    }
}

}  // namespace
