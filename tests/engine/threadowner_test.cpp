// The thread check of a table object: a use from a thread that does not hold the table aborts
// (in builds with thread checks), and a whole loan moves it to a worker and back.
#include "dbftestutil.h"

#include <thread>

using namespace dbftest;

TEST(ThreadOwnerDeathTest, ATableUsedByAThreadThatDoesNotHoldItAborts) {
    if (!VX_THREAD_CHECKS) GTEST_SKIP() << "built without thread checks";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    Opened t(MakeSmallTable(dir, 2));
    EXPECT_DEATH(std::thread([&] { t.Dbf.Go(2); }).join(), "Thread check failed: TDBF::Go on thread");
    t.Dbf.Owner.Lend(TThreadOwner::TLoan::Whole);
    EXPECT_DEATH(t.Dbf.Close(), "TDBF::Close .*lent whole");
    std::thread([&] {
        t.Dbf.Owner.Borrow();
        t.Dbf.Go(2);
        t.Dbf.Owner.Return();
    }).join();
    t.Dbf.Go(1);  // the owner's again
    EXPECT_EQ(t.Dbf.GetField(0)->GetAsTrimmedString(), "R1");
}
