// Which thread may use an object that one thread uses at a time: a table (TDBF), the row lists
// and the pool of the row store. The object records its owning thread, and the uses it checks
// abort with a message when they come from a thread that may not use it now. The checks are
// compiled in when VX_THREAD_CHECKS is 1: in every build without NDEBUG, and in the builds
// configured with VELLIBROX_THREAD_CHECKS (every build type but Release, by default); the
// recorded owner is kept in every build, so that the layout of the objects never differs.
//
// The thread that makes the object owns it. Ownership moves only explicitly:
// - A worker borrows the object for its job. The owner lends it (Lend, on its own thread, before
//   the worker starts); the worker takes it (Borrow, on the worker's thread) and gives it back
//   (Return) once it no longer uses it, and the owner has it again. A loan is
//     Whole:  only the borrower uses the object;
//     Append: the borrower appends, the owner keeps reading and changes nothing;
//     Read:   every thread may read it and none changes it (nobody borrows it; whoever ends the
//             reading returns it).
// - An object made on one thread for another: its owner lets go of it (Release), and the thread
//   that takes it over adopts it (Adopt).
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#ifndef VX_THREAD_CHECKS
#if !defined(NDEBUG) || defined(VELLIBROX_THREAD_CHECKS)
#define VX_THREAD_CHECKS 1
#else
#define VX_THREAD_CHECKS 0
#endif
#endif

class TThreadOwner {
public:
    enum class TLoan : uint8_t { None, Whole, Append, Read };

    TThreadOwner() : Owner(std::this_thread::get_id()) {}
    TThreadOwner(const TThreadOwner&) = delete;
    TThreadOwner& operator=(const TThreadOwner&) = delete;

    // The calling thread may change the object: it owns it and has not lent it, or it has
    // borrowed it whole. `what` names the object and the use in the message.
    void CheckChange(const char* what) const {
        if constexpr (VX_THREAD_CHECKS)
            if (!MayChange(std::this_thread::get_id())) Fail(what);
    }
    // The calling thread may append: as CheckChange, or it has borrowed the object to append.
    void CheckAppend(const char* what) const {
        if constexpr (VX_THREAD_CHECKS) {
            const std::thread::id me = std::this_thread::get_id();
            if (!MayChange(me) && !(LoanNow() == TLoan::Append && Borrower.load(std::memory_order_relaxed) == me))
                Fail(what);
        }
    }
    // The calling thread may read: the owner unless the object is lent whole, the borrower,
    // and any thread while it is lent to read.
    void CheckRead(const char* what) const {
        if constexpr (VX_THREAD_CHECKS) {
            const TLoan loan = LoanNow();
            if (loan == TLoan::Read) return;
            const std::thread::id me = std::this_thread::get_id();
            if (loan != TLoan::Whole && Owner.load(std::memory_order_relaxed) == me) return;
            if (loan != TLoan::None && Borrower.load(std::memory_order_relaxed) == me) return;
            Fail(what);
        }
    }

    // On the owner's thread, with nothing lent: lends the object (`loan` is not None).
    void Lend(TLoan loan) const;
    // On the borrower's thread, once lent whole or to append and not yet taken.
    void Borrow() const;
    // Ends the loan: by the borrower, or by any thread for a Read loan.
    void Return() const;
    // On the owner's thread, with nothing lent: the object is nobody's until a thread adopts it.
    void Release() const;
    // The calling thread owns the object, which nobody owned.
    void Adopt() const;
    TLoan LoanNow() const { return Loan.load(std::memory_order_relaxed); }

private:
    bool MayChange(std::thread::id me) const {
        const TLoan loan = LoanNow();
        return (loan == TLoan::None && Owner.load(std::memory_order_relaxed) == me) ||
               (loan == TLoan::Whole && Borrower.load(std::memory_order_relaxed) == me);
    }
    // Writes the message (what, the calling thread, the owner, the loan) and aborts.
    [[noreturn]] void Fail(const char* what) const;

    // The owner and the loan are checked state, not part of the object's value: lending a
    // const object is allowed.
    mutable std::atomic<std::thread::id> Owner;
    mutable std::atomic<std::thread::id> Borrower{};
    mutable std::atomic<TLoan> Loan{TLoan::None};
};
