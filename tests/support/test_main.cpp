#include <gtest/gtest.h>

#include "host/km_global.h"
#include "support/test_home.h"

int main(int argc, char** argv) {
    if (!zem::test::EnterTestHome())
        return 2;
    zem::InstallKMGlobal();
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    zem::test::LeaveTestHome();
    return result;
}
