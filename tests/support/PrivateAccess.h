// Reaching a private member of a class from a test without a friend in the
// class: an explicit instantiation may name a private member, and the friend
// function that the instantiation defines hands the member's address out.
//
//   namespace qvtest {   // (an explicit instantiation stands in the template's namespace)
//   QVTEST_EXPOSE(NetTag, _Networks*, CNetResConvert::m_tNet);   // once in the program
//   }
//   _Networks& net = *Get(qvtest::NetTag{});
#pragma once

namespace qvtest {

template <class Tag, typename Tag::type Member>
struct Expose {
    friend typename Tag::type Get(Tag) { return Member; }
};

}  // namespace qvtest

#define QVTEST_EXPOSE(Name, Type, Member) \
    struct Name {                         \
        using type = Type;                \
        friend type Get(Name);            \
    };                                    \
    template struct Expose<Name, &Member>
