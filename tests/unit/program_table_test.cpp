// The C++ program table agrees with the program list (src/apps/programs.cmake)
// that the build, the scripts and the e2e cases are made from.
#include <gtest/gtest.h>

#include "apps/program_table.h"
#include "program_list.h"

namespace kestrel {
namespace {

enum class ListTransport { Aspi, PassThrough, None };

void ExpectRow(const ProgramRow& row, Program program, const char* name, ListTransport transport,
               const char* helpTopic) {
  SCOPED_TRACE(name);
  EXPECT_EQ(row.program, program);
  EXPECT_EQ(row.shell.program, program);
  EXPECT_STREQ(row.shell.name, name);
  EXPECT_STREQ(row.shell.helpTopic, helpTopic);
  if (transport == ListTransport::None) {
    EXPECT_EQ(row.drive, nullptr);
    EXPECT_EQ(row.maxTimerPeriodMs, 0u);
    return;
  }
  ASSERT_NE(row.drive, nullptr);
  EXPECT_EQ(row.drive->program, program);
  EXPECT_STREQ(row.drive->name, name);
  EXPECT_EQ(row.maxTimerPeriodMs, transport == ListTransport::Aspi ? kAspiTimerPeriodMs
                                                                    : kPassThroughTimerPeriodMs);
}

TEST(ProgramTable, EveryRowIsTheProgramOfItsListEntry) {
#define KESTREL_EXPECT_ROW(id, name, transport, topic) \
  ExpectRow(k##id##Program, Program::id, name, ListTransport::transport, topic);
  KESTREL_PROGRAM_LIST(KESTREL_EXPECT_ROW)
#undef KESTREL_EXPECT_ROW
}

}  // namespace
}  // namespace kestrel
