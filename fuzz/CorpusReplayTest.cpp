// SPDX-License-Identifier: GPL-3.0-or-later
// Replays every seed of fuzz/corpus through the fuzz entries, each seed also cut to every
// shorter length, in an ordinary build. Checks too that the golden datagrams are all seeds.
//
// `halvo_fuzz_corpus_tests --write-golden-corpus DIR` writes the golden seeds into DIR/<target>/.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <set>

#include "fuzz/FuzzEntries.h"
#include "tests/protocol/GoldenVectors.h"

namespace halvo::fuzz {

// Names the target in test output instead of dumping its bytes.
void PrintTo(const Target& target, std::ostream* os) {
    *os << target.name;
}

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path CORPUS = HALVO_FUZZ_CORPUS_DIR;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CorpusReplay : public ::testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, EverySeedAndEveryPrefixOfIt) {
    const Target& target = GetParam();
    const fs::path dir = CORPUS / target.name;
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    int seeds = 0;
    for (const auto& file : fs::directory_iterator(dir)) {
        const Bytes bytes = ReadFile(file.path());
        for (std::size_t n = 0; n <= bytes.size(); ++n) {
            // A buffer of exactly n bytes, so a read past the datagram trips the sanitizer.
            const Bytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
            target.entry(cut);
        }
        ++seeds;
    }
    EXPECT_GT(seeds, 0) << "no seeds for " << target.name;
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusReplay,
                         ::testing::ValuesIn(Targets().begin(), Targets().end()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Corpus, HoldsEveryGoldenDatagramAndNoStrayFolder) {
    std::set<std::string> names;
    for (const auto& t : Targets()) {
        names.emplace(t.name);
    }
    for (const auto& entry : golden::Corpus()) {
        ASSERT_TRUE(names.count(entry.target)) << entry.target;
        EXPECT_EQ(ReadFile(CORPUS / entry.target / entry.name), entry.bytes) << entry.name;
    }
    for (const auto& dir : fs::directory_iterator(CORPUS)) {
        EXPECT_TRUE(names.count(dir.path().filename().string())) << dir.path();
    }
}

TEST(Corpus, EntriesRejectWhatIsNotTheirs) {
    // Each golden datagram sent to every entry: nothing may abort.
    for (const auto& entry : golden::Corpus()) {
        for (const auto& t : Targets()) {
            t.entry(entry.bytes);
        }
    }
    EXPECT_NE(FindTarget("share_page_reply"), nullptr);
    EXPECT_EQ(FindTarget("no_such_target"), nullptr);
}

int WriteGoldenCorpus(const fs::path& dir) {
    for (const auto& entry : golden::Corpus()) {
        fs::create_directories(dir / entry.target);
        std::ofstream out(dir / entry.target / entry.name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(entry.bytes.data()),
                  static_cast<std::streamsize>(entry.bytes.size()));
        if (!out) {
            return 1;
        }
    }
    return 0;
}

}  // namespace
}  // namespace halvo::fuzz

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-golden-corpus") == 0) {
        return halvo::fuzz::WriteGoldenCorpus(argv[2]);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
