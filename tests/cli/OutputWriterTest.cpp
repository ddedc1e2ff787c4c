#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "cli/BatchHost.h"
#include "cli/OutputWriter.h"

namespace {

// Lines of several blocks come out in order, each converted on its own and
// followed by its own end, a NUL included.
TEST(OutputWriterTest, LinesComeOutInOrderConvertedWithTheirEnds) {
  char *buffer = nullptr;
  std::size_t size = 0;
  std::FILE *stream = open_memstream(&buffer, &size);
  ASSERT_NE(stream, nullptr);
  std::string expected;
  {
    TOutputWriter writer(stream);
    for (int i = 0; i < 20000; ++i) {
      // 処理 and a lone lead byte at the end, which must not join the end
      // byte into one character.
      const std::string line = "\x8f\x88\x97\x9d: /a/f" + std::to_string(i) + (i % 7 == 0 ? "\x83" : "");
      const char end = i % 2 == 0 ? '\n' : '\0';
      writer.Add(line, end);
      AppendTerminalText(expected, line);
      expected += end;
    }
    EXPECT_TRUE(writer.Finish());
    EXPECT_TRUE(writer.Finish());  // once is enough
  }
  std::fclose(stream);
  const std::string written(buffer, size);
  std::free(buffer);
  EXPECT_GT(expected.size(), 2 * TOutputWriter::kHandOnBytes);
  EXPECT_EQ(written, expected);
}

// A stream that cannot be written is told, and the writer still ends.
TEST(OutputWriterTest, AWriteThatFailsIsTold) {
  std::FILE *full = std::fopen("/dev/full", "w");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  TOutputWriter writer(full);
  for (int i = 0; i < 20000 && !writer.Failed(); ++i) writer.Add("line " + std::to_string(i), '\n');
  EXPECT_FALSE(writer.Finish());
  EXPECT_TRUE(writer.Failed());
  std::fclose(full);
}

// A line that waited the interval is handed on though no block gathered,
// so a reader sees it while the run goes on.
TEST(OutputWriterTest, ALineThatWaitedIsHandedOn) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::FILE *stream = fdopen(ends[1], "w");
  ASSERT_NE(stream, nullptr);
  TOutputWriter writer(stream);
  writer.Add("first", '\n');
  writer.HandOnWhenDue();  // too early: kept
  pollfd ready{ends[0], POLLIN, 0};
  EXPECT_EQ(poll(&ready, 1, 50), 0) << "handed on before its time";
  std::this_thread::sleep_for(std::chrono::milliseconds(TOutputWriter::kHandOnMs + 20));
  writer.HandOnWhenDue();
  ASSERT_EQ(poll(&ready, 1, 5000), 1);
  char text[16] = {};
  EXPECT_EQ(read(ends[0], text, sizeof text), 6);
  EXPECT_EQ(std::string(text, 6), "first\n");
  EXPECT_TRUE(writer.Finish());
  std::fclose(stream);
  close(ends[0]);
}

}  // namespace
