// Every test runs in a scratch directory (the speed file lives under the
// current directory) with its own stand-in for the Windows directory, and
// with pauses recorded rather than slept.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/PtTestSupport.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const std::string dir = pttest::TempDir();
    if (chdir(dir.c_str()) != 0) return 2;
    mkdir("config", 0755);
    mkdir("windows", 0755);
    setenv("TREVALO_WINDIR", (dir + "/windows").c_str(), 1);
    pttest::InstallRecordingSleeper();
    return RUN_ALL_TESTS();
}
