#include "engine/threadowner.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

const char* LoanName(TThreadOwner::TLoan loan) {
    switch (loan) {
    case TThreadOwner::TLoan::None: return "not lent";
    case TThreadOwner::TLoan::Whole: return "lent whole";
    case TThreadOwner::TLoan::Append: return "lent to append";
    case TThreadOwner::TLoan::Read: return "lent to read";
    }
    return "?";
}

}  // namespace

void TThreadOwner::Fail(const char* what) const {
    std::ostringstream text;
    text << "Thread check failed: " << what << " on thread " << std::this_thread::get_id() << "; owner "
         << Owner.load() << ", " << LoanName(LoanNow()) << ", borrower " << Borrower.load() << "\n";
    std::fputs(text.str().c_str(), stderr);
    std::fflush(stderr);
    std::abort();
}

void TThreadOwner::Lend(TLoan loan) const {
    CheckChange("lending an object");
    if constexpr (VX_THREAD_CHECKS)
        if (loan == TLoan::None) Fail("lending an object without a loan");
    Borrower.store(std::thread::id(), std::memory_order_relaxed);
    Loan.store(loan, std::memory_order_release);
}

void TThreadOwner::Borrow() const {
    if constexpr (VX_THREAD_CHECKS) {
        const TLoan loan = LoanNow();
        if ((loan != TLoan::Whole && loan != TLoan::Append) || Borrower.load() != std::thread::id())
            Fail("borrowing an object not lent to be borrowed");
    }
    Borrower.store(std::this_thread::get_id(), std::memory_order_release);
}

void TThreadOwner::Return() const {
    if constexpr (VX_THREAD_CHECKS) {
        const TLoan loan = LoanNow();
        if (loan == TLoan::None || (loan != TLoan::Read && Borrower.load() != std::this_thread::get_id()))
            Fail("returning an object not borrowed by this thread");
    }
    Borrower.store(std::thread::id(), std::memory_order_relaxed);
    Loan.store(TLoan::None, std::memory_order_release);
}

void TThreadOwner::Release() const {
    CheckChange("releasing an object");
    Owner.store(std::thread::id(), std::memory_order_release);
}

void TThreadOwner::Adopt() const {
    if constexpr (VX_THREAD_CHECKS)
        if (Owner.load() != std::thread::id() || LoanNow() != TLoan::None) Fail("adopting an object owned by a thread");
    Owner.store(std::this_thread::get_id(), std::memory_order_release);
}
