// Reading digests out of HASH and X command replies, the local digests they
// are compared with, and the HASH feature line.
#include "ftp/hash_reply.h"

#include <gtest/gtest.h>

#include "ftp/file_digest.h"
#include "support/temp_dir.h"

namespace {

const std::string kSha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";  // "abc"

TEST(HashReplyTest, HashRepliesAreReadStrictly) {
    struct Case {
        const char* name;
        std::string reply;
        HashAlgorithm algorithm;
        std::int64_t size;
        std::string digest;  // "" when the reply must not be accepted
    };
    const std::string upper = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    const Case cases[] = {
        {"exclusive end", "213 SHA-256 0-3 " + kSha256 + " abc.txt", HashAlgorithm::Sha256, 3, kSha256},
        {"inclusive end", "213 SHA-256 0-2 " + kSha256 + " abc.txt", HashAlgorithm::Sha256, 3, kSha256},
        {"upper case, name with blanks", "213 sha-256 0-3 " + upper + " my file.txt", HashAlgorithm::Sha256,
         3, kSha256},
        {"no name", "213 SHA-256 0-3 " + kSha256, HashAlgorithm::Sha256, 3, kSha256},
        {"empty file", "213 MD5 0-0 d41d8cd98f00b204e9800998ecf8427e e", HashAlgorithm::Md5, 0,
         "d41d8cd98f00b204e9800998ecf8427e"},
        {"other algorithm", "213 SHA-1 0-3 " + kSha256 + " abc.txt", HashAlgorithm::Sha256, 3, ""},
        {"range short of the file", "213 SHA-256 0-1 " + kSha256 + " abc.txt", HashAlgorithm::Sha256, 3, ""},
        {"range past the file", "213 SHA-256 0-9 " + kSha256 + " abc.txt", HashAlgorithm::Sha256, 3, ""},
        {"range not from the start", "213 SHA-256 1-3 " + kSha256 + " abc.txt", HashAlgorithm::Sha256, 3, ""},
        {"range without dash", "213 SHA-256 3 " + kSha256 + " abc.txt", HashAlgorithm::Sha256, 3, ""},
        {"negative range", "213 SHA-256 0--3 " + kSha256, HashAlgorithm::Sha256, 3, ""},
        {"overlong range", "213 SHA-256 0-99999999999999999999 " + kSha256, HashAlgorithm::Sha256, 3, ""},
        {"digest one short", "213 SHA-256 0-3 " + kSha256.substr(1) + " abc.txt", HashAlgorithm::Sha256, 3,
         ""},
        {"digest one long", "213 SHA-256 0-3 " + kSha256 + "0 abc.txt", HashAlgorithm::Sha256, 3, ""},
        {"digest not hex", "213 SHA-256 0-3 " + kSha256.substr(1) + "g abc.txt", HashAlgorithm::Sha256, 3,
         ""},
        {"overlong digest", "213 SHA-256 0-3 " + std::string(3000, 'a'), HashAlgorithm::Sha256, 3, ""},
        {"wrong code", "250 SHA-256 0-3 " + kSha256, HashAlgorithm::Sha256, 3, ""},
        {"continuation line", "213-SHA-256 0-3 " + kSha256, HashAlgorithm::Sha256, 3, ""},
        {"refusal", "550 No such file.", HashAlgorithm::Sha256, 3, ""},
        {"code only", "213", HashAlgorithm::Sha256, 3, ""},
        {"control bytes", "213 SHA-256 0-3 \x01\x02\x03", HashAlgorithm::Sha256, 3, ""},
        {"unknown local size", "213 SHA-256 0-3 " + kSha256, HashAlgorithm::Sha256, -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        EXPECT_EQ(DigestFromHashReply(c.reply, c.algorithm, c.size, why), c.digest);
        EXPECT_EQ(why.empty(), !c.digest.empty()) << why;
    }
}

TEST(HashReplyTest, CommandRepliesAreReadStrictly) {
    struct Case {
        std::string reply;
        HashAlgorithm algorithm;
        std::string digest;
    };
    const Case cases[] = {
        {"250 " + kSha256, HashAlgorithm::Sha256, kSha256},
        {"250 " + kSha256 + " abc.txt", HashAlgorithm::Sha256, kSha256},
        {"250 CBF43926", HashAlgorithm::Crc32, "cbf43926"},
        {"250 a9993e364706816aba3e25717850c26c9cd0d89d", HashAlgorithm::Sha1,
         "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"250 BF43926", HashAlgorithm::Crc32, ""},   // no leading zero kept
        {"250 " + kSha256, HashAlgorithm::Md5, ""},  // the length of another algorithm
        {"213 " + kSha256, HashAlgorithm::Sha256, ""},
        {"250-" + kSha256, HashAlgorithm::Sha256, ""},
        {"250 " + kSha256.substr(0, 63) + "x", HashAlgorithm::Sha256, ""},
        {"250 ", HashAlgorithm::Sha256, ""},
        {"250 " + std::string(5000, 'f'), HashAlgorithm::Crc32, ""},
        {"", HashAlgorithm::Sha256, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply.substr(0, 80));
        std::string why;
        EXPECT_EQ(DigestFromCommandReply(c.reply, c.algorithm, why), c.digest);
    }
}

TEST(FileDigestTest, KnownDigestsOfEachAlgorithm) {
    testsupport::TempDir dir;
    const std::string check = dir.WriteFile("check", "123456789").string();
    const std::string big = dir.WriteFile("big", std::string(600 * 1024, 'q')).string();
    struct Case {
        std::string path;
        HashAlgorithm algorithm;
        const char* digest;
    };
    const Case cases[] = {
        {check, HashAlgorithm::Sha256, "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225"},
        {check, HashAlgorithm::Sha1, "f7c3bc1d808e04732adf679965ccc34ca7ae3441"},
        {check, HashAlgorithm::Md5, "25f9e794323b453885f5181f1b624d0b"},
        {check, HashAlgorithm::Crc32, "cbf43926"},
        // Larger than one read block: the blocks are chained, not restarted.
        {big, HashAlgorithm::Crc32, "5355ec9c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(HashAlgorithmName(c.algorithm));
        int error = -1;
        EXPECT_EQ(FileDigest(c.path, c.algorithm, error), c.digest);
        EXPECT_EQ(error, 0);
    }
    int error = 0;
    EXPECT_EQ(FileDigest((dir / "missing").string(), HashAlgorithm::Md5, error), "");
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(FileDigest(dir.Path().string(), HashAlgorithm::Md5, error), "");
    EXPECT_EQ(error, EINVAL);
    EXPECT_EQ(FileDigest(big, HashAlgorithm::Sha256, error, [] { return true; }), "");
    EXPECT_EQ(error, ECANCELED);
}

}  // namespace
