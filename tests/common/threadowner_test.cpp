// The thread checks of the row store (in builds with thread checks): lent to append, the owner
// reads while the borrower appends and changes nothing itself; lent to read, every thread
// reads and none changes; unlent, only the owner touches it.
#include "common/datalist.h"

#include <gtest/gtest.h>

#include <thread>

TEST(RowStoreDeathTest, ALoanSaysWhoMayReadAndWhoMayChange) {
    if (!VX_THREAD_CHECKS) GTEST_SKIP() << "built without thread checks";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TRowStore s;
    s.DataList.Append(s.Pool.Make(false, 1, {"a"}));
    const auto onOtherThread = [](auto fn) { std::thread(fn).join(); };
    EXPECT_DEATH(onOtherThread([&] { (void)s.DataList[0]; }), "TDataList::operator\\[\\] .*not lent");

    s.DataList.Owner.Lend(TThreadOwner::TLoan::Append);
    s.Pool.Owner.Lend(TThreadOwner::TLoan::Append);
    EXPECT_DEATH(s.DataList.Remove(0), "TDataList::Remove .*lent to append");
    EXPECT_DEATH(s.Pool.Make(false, 2, {}), "TRowPool::Make");
    onOtherThread([&] {
        s.DataList.Owner.Borrow();
        s.Pool.Owner.Borrow();
        s.DataList.Append(s.Pool.Make(false, 2, {"b"}));
        s.DataList.Owner.Return();
        s.Pool.Owner.Return();
    });
    EXPECT_EQ(s.DataList[1]->RecNo(), 2u);

    s.DataList.Owner.Lend(TThreadOwner::TLoan::Read);
    onOtherThread([&] { EXPECT_EQ(s.DataList.IndexOf(s.DataList[1]), 1); });
    EXPECT_DEATH(s.SetAllMarks(true), "TRowStore::SetAllMarks .*lent to read");
    s.DataList.Owner.Return();
    s.SetAllMarks(true);
    EXPECT_TRUE(s.DataList[0]->Deleted());
}
