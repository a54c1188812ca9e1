#include <gtest/gtest.h>

#include "config/global.h"
#include "support/test_home.h"
#include "util/log_channel.h"

int main(int argc, char** argv) {
    if (!zem::test::EnterTestHome())
        return 2;
    zem::ConnectLogChannel([](zem::TextView line) { zem::GetGlobal().WriteLog(line); });
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    zem::test::LeaveTestHome();
    return result;
}
