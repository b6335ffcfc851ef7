#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "DbDescMap.h"
#include "FunctionLoader.h"
#include "InteractiveScope.h"
#include "LinkTable.h"
#include "ServiceFixture.h"

namespace {

TEST(LinkTable, AnIdGetsOneEmptySetOnFirstUse) {
    LinkTable table;
    LinkSet& set = table[3];
    EXPECT_EQ(&set, &table[3]);
    EXPECT_EQ(set.GetLinkId(), -1);
    EXPECT_TRUE(set.GetLinkNames().empty());
    EXPECT_EQ(table.Count(), 1);
}

// The unload empties the table but leaves the connections open: they are
// neither disconnected nor deleted. Run in a child process, which ends
// without the leak check, since the abandoned connections are never freed.
TEST(LinkTable, EmptyingLeavesTheConnectionsOpen) {
    lurtest::ServiceFixture services("tablespace Garage 7\ntable Vehicle\n  field VehId l 4 u\n", "LINKA");
    // A service this process has not opened, so that the child shares no store with it.
    ASSERT_EQ(services.RunAdmin("create-service LINKC ADMIN SECRET"), 0);
    const lurtest::InteractiveScope noUser(false);

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        int result = 1;
        {
            LinkTable table;
            DbLink link;
            link.name = "c";
            link.service = "LINKC";
            link.user = "ADMIN";
            link.password = "SECRET";
            if (table[1].CreateLinks(1, {link}, nullptr) == 0) {
                const int32_t handle = table[1].GetLinkHandle("c");
                table.Empty();
                const bool stillOpen = GetFunctionLoader().pfEndTransaction(handle, 0) == 0;
                result = table.Count() == 0 && stillOpen ? 0 : 2;
            }
        }
        _exit(result);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: not connected; 2: the connection was ended";
}

}  // namespace
