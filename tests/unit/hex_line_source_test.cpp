// Text-mode line reading of firmware files: line ends, the 255-character read
// limit, and the same lines whether read from memory or from a file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "firmware/line_source.h"

namespace kestrel {
namespace {

struct Read {
  std::string text;
  bool endsLine;
  bool operator==(const Read& o) const { return text == o.text && endsLine == o.endsLine; }
};
std::ostream& operator<<(std::ostream& os, const Read& r) {
  return os << "{\"" << r.text << "\", " << (r.endsLine ? "end" : "cut") << "}";
}

std::vector<Read> ReadAll(LineSource& source) {
  std::vector<Read> reads;
  TextLine line;
  while (source.ReadLine(line) == LineSource::Status::Line) {
    reads.push_back({std::string(line.text, line.length), line.endsLine});
  }
  return reads;
}

std::vector<Read> ReadMemory(const std::string& text) {
  MemoryLineSource source(text.data(), text.size());
  return ReadAll(source);
}

TEST(HexLineSourceTest, CrLfAndLfEndLinesAndALoneCrIsText) {
  EXPECT_EQ(ReadMemory(":01\r\n:02\n\r\n:0\r3"),
            (std::vector<Read>{{":01", true}, {":02", true}, {"", true}, {":0\r3", false}}));
  EXPECT_TRUE(ReadMemory("").empty());
  // A CR at the very end of the file stays a character of the last line.
  EXPECT_EQ(ReadMemory("abc\r"), (std::vector<Read>{{"abc\r", false}}));
}

TEST(HexLineSourceTest, OneReadTakesAtMost255CharactersLineEndIncluded) {
  const std::string fits(254, 'x');
  EXPECT_EQ(ReadMemory(fits + "\n"), (std::vector<Read>{{fits, true}}));
  // CR LF is one character, so 254 characters and CR LF still fit.
  EXPECT_EQ(ReadMemory(fits + "\r\n"), (std::vector<Read>{{fits, true}}));

  // One character more: the line end is left over for the next read.
  const std::string full(255, 'y');
  EXPECT_EQ(ReadMemory(full + "\n" + ":1\n"),
            (std::vector<Read>{{full, false}, {"", true}, {":1", true}}));
  EXPECT_EQ(ReadMemory(full + "\r\n"), (std::vector<Read>{{full, false}, {"", true}}));

  const std::string longLine = std::string(300, 'z');
  EXPECT_EQ(ReadMemory(longLine + "\n"),
            (std::vector<Read>{{std::string(255, 'z'), false}, {std::string(45, 'z'), true}}));
}

TEST(HexLineSourceTest, LineEndsAreFoundAtEveryPositionAndNothingPastTheTextIsRead) {
  // Line ends are looked for eight bytes at a time: put one at each position
  // of such a group and after it, in texts held in buffers of exactly their
  // size (the sanitizer build reports any read past one), with and without a
  // line end at the very end.
  for (size_t length = 0; length <= 40; ++length) {
    for (const char* end : {"", "\n", "\r\n"}) {
      std::string text(length, 'x');
      for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
      text += end;
      std::unique_ptr<char[]> exact(new char[text.size()]);
      std::memcpy(exact.get(), text.data(), text.size());
      MemoryLineSource source(exact.get(), text.size());
      const std::vector<Read> reads = ReadAll(source);
      if (text.empty()) {
        EXPECT_TRUE(reads.empty());
        continue;
      }
      ASSERT_EQ(reads.size(), 1u) << length << " " << std::string(end).size();
      EXPECT_EQ(reads[0], (Read{text.substr(0, length), *end != '\0'}));
    }
  }
  // Two lines: the first line end at every position of the first 40 bytes.
  for (size_t at = 0; at < 40; ++at) {
    std::string text(48, 'y');
    text[at] = '\n';
    EXPECT_EQ(ReadMemory(text),
              (std::vector<Read>{{std::string(at, 'y'), true}, {std::string(47 - at, 'y'), false}}))
        << at;
  }
}

TEST(HexLineSourceTest, FileReadsGiveTheSameLinesAsMemoryAcrossBlockBoundaries) {
  // Lines of varying length, some overlong, some with CR LF, chosen so that
  // line ends fall on and around the 64 KB reading blocks.
  std::string text;
  for (int i = 0; text.size() < 0x30000; ++i) {
    text += std::string(static_cast<size_t>((i * 37) % 300), static_cast<char>('a' + i % 26));
    text += (i % 3 == 0) ? "\n" : "\r\n";
  }
  text += "last line without end";

  const std::string path = ::testing::TempDir() + "kestrel_line_source_test.hex";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
  std::fclose(f);

  StdioFileSystem files;
  int cause = -1;
  std::unique_ptr<LineSource> source = files.OpenForReading(path, cause);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(cause, kFileNoError);
  EXPECT_EQ(ReadAll(*source), ReadMemory(text));
  TextLine line;
  EXPECT_EQ(source->ReadLine(line), LineSource::Status::EndOfFile);
  EXPECT_EQ(source->Close(), kFileNoError);
  std::remove(path.c_str());
}

TEST(HexLineSourceTest, OpenFailuresCarryTheFileLayerCause) {
  StdioFileSystem files;
  int cause = 0;
  EXPECT_EQ(files.OpenForReading(::testing::TempDir() + "no/such/dir/UPDATE.HEX", cause), nullptr);
  EXPECT_EQ(cause, kFileNotFound);
  EXPECT_EQ(FileCauseFromErrno(EACCES), kFileAccessDenied);
  EXPECT_EQ(FileCauseFromErrno(EMFILE), kFileTooManyOpen);
  EXPECT_EQ(FileCauseFromErrno(ENAMETOOLONG), kFileBadPath);
  EXPECT_EQ(FileCauseFromErrno(0), kFileGeneric);
}

}  // namespace
}  // namespace kestrel
