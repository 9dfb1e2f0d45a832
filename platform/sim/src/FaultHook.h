// The choke point of every simulated function that can fail. In the test
// build of the simulation (QVSIM_TESTING, with <quorvel/sim/Testing.h>) the
// first line of such a function counts the call as one event and, when the
// event is the one to fail, returns the answer Windows gives when that
// function fails:
//
//   QVSIM_FAILS(QVSIM_CODE(ERROR_NO_NETWORK));                 // DWORD result
//   QVSIM_FAILS((SetLastErrorCode(QVSIM_CODE(ERROR_NOT_ENOUGH_MEMORY)), FALSE));
//
// QVSIM_CODE(def) is the code the test asked for, else def. The shipped
// simulation has no such hook: there the line is empty.
#pragma once

#if defined(QVSIM_TESTING)
namespace qvsim::detail {

// One call of a simulated function; calls made inside it are not counted.
class FaultPoint {
public:
    FaultPoint();
    ~FaultPoint();
    FaultPoint(const FaultPoint&) = delete;
    FaultPoint& operator=(const FaultPoint&) = delete;
    bool Fails() const { return fails_; }
    unsigned long Code(unsigned long def) const;

private:
    bool fails_;
};

}  // namespace qvsim::detail

#define QVSIM_FAILS(...)                       \
    ::qvsim::detail::FaultPoint qvFault_;      \
    if (qvFault_.Fails()) return __VA_ARGS__
#define QVSIM_CODE(def) static_cast<DWORD>(qvFault_.Code(def))
#else
#define QVSIM_FAILS(...) static_cast<void>(0)
#endif
