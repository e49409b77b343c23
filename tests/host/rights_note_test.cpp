// The line a console user gets after choosing to go on without administrator rights, by the kind of user.
#include <gtest/gtest.h>

#include <string>

#include "fake_platform.h"
#include "rights_note.h"

struct RightsCase {
  const char* name;
  bool filteredAdministrator;
  const char* note;  // null: no line
};

void PrintTo(const RightsCase& c, std::ostream* out) { *out << c.name; }

class RightsNote : public testing::TestWithParam<RightsCase> {};

TEST_P(RightsNote, FollowsTheToken) {
  Fake_Reset();
  Fake_SetFilteredAdministrator(GetParam().filteredAdministrator);
  const char* note = RightsNote_AfterContinuing();
  if (GetParam().note == nullptr) {
    EXPECT_EQ(nullptr, note);
  } else {
    ASSERT_NE(nullptr, note);
    EXPECT_STREQ(GetParam().note, note);
  }
  Fake_Reset();
}

INSTANTIATE_TEST_SUITE_P(
    Users, RightsNote,
    testing::Values(
        // A standard user, XP's administrator question, or a program already elevated: nothing more to say.
        RightsCase{"NotFiltered", false, nullptr},
        RightsCase{"FilteredAdministrator", true,
                   "You are an administrator, but this program runs without administrator rights: for a full "
                   "removal, start Vexlor Removal Tool again from a command prompt opened with \"Run as "
                   "administrator\"."}),
    [](const testing::TestParamInfo<RightsCase>& info) { return std::string(info.param.name); });
