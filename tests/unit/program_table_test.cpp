// The C++ program table agrees with the program list (src/apps/programs.cmake)
// that the build, the scripts and the e2e cases are made from.
#include <gtest/gtest.h>

#include <iterator>

#include "apps/program_table.h"
#include "fakes/program_rows.h"
#include "program_list.h"

namespace kestrel {
namespace {

enum class ListTransport { Aspi, PassThrough, None };

struct ListEntry {
  Program program;
  const char* name;
  ListTransport transport;
  const char* helpTopic;
};

#define KESTREL_LIST_ENTRY(id, name, transport, topic) \
  {Program::id, name, ListTransport::transport, topic},
const ListEntry kList[] = {KESTREL_PROGRAM_LIST(KESTREL_LIST_ENTRY)};
#undef KESTREL_LIST_ENTRY

TEST(ProgramTable, EveryRowIsTheProgramOfItsListEntry) {
  ASSERT_EQ(std::size(kList), std::size(testing::kAllProgramRows));
  for (size_t i = 0; i < std::size(kList); ++i) {
    const ListEntry& entry = kList[i];
    const ProgramRow& row = *testing::kAllProgramRows[i];
    SCOPED_TRACE(entry.name);
    EXPECT_EQ(row.program, entry.program);
    EXPECT_EQ(row.shell.program, entry.program);
    EXPECT_STREQ(row.shell.name, entry.name);
    EXPECT_STREQ(row.shell.helpTopic, entry.helpTopic);
    switch (entry.transport) {
      case ListTransport::Aspi:
      case ListTransport::PassThrough:
        ASSERT_NE(row.drive, nullptr);
        EXPECT_EQ(row.drive->program, entry.program);
        EXPECT_STREQ(row.drive->name, entry.name);
        EXPECT_EQ(row.maxTimerPeriodMs, entry.transport == ListTransport::Aspi
                                            ? kAspiTimerPeriodMs
                                            : kPassThroughTimerPeriodMs);
        break;
      case ListTransport::None:
        EXPECT_EQ(row.drive, nullptr);
        EXPECT_EQ(row.firmware, nullptr);
        EXPECT_EQ(row.maxTimerPeriodMs, 0u);
        break;
    }
  }
}

}  // namespace
}  // namespace kestrel
