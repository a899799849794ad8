// The expressions and the form of the allocation-failure sweep, shared by
// the unit test (harden_alloc_sweep_test.cpp) and the Windows build's sweep
// (tests/windows/alloc_sweep.cpp).
#pragma once

#include <ostream>
#include <string>

#include "support/fake_host.h"

namespace talv_test {

struct SweepCase {
    const char *expr;
    bool certify;
};
inline std::ostream &operator<<(std::ostream &os, const SweepCase &c) {
    return os << '"' << c.expr << '"' << (c.certify ? " certify" : "");
}

inline void fill_sweep_form(FakeHost &host) {
    host.set("A1", "1");
    host.set("A2", "2");
    host.set("A3", "3");
    host.set("TOTAL", "6");
    host.set("F", "12345", "HAND_ANK", "NUM", 5);
    host.set("Y", "2024");
    host.set("M", "2");
    host.set("D", "29");
    host.set("MEMO", "\x81\x40 ");
    host.set("CARD", "4111 1111 1111 1111");
    host.set("MY", "1234 5678 9018");
    host.set("ISBN", "4-10-101001-3");
    host.set("TXT", "12A4");
    const char *my = "123456789018";
    for (int i = 0; i < 12; i++) host.set("M" + std::to_string(i + 1), std::string(1, my[i]));
    host.set("KAT", "\xB6\xDE", "HAND_ANK", "KAT", 2);
}

// Every expression holds when nothing fails, so that a sweep walks the whole
// evaluation rather than stopping at an early error.
inline const SweepCase kSweepCases[] = {
    // The built-in table, row by row.
    {"sum([A1..3])==@", false},
    {"sum(1, [A1..3], [A1], 0.5)==8.5", false},
    {"sumprod([A1..3], [A1..3])==14", false},
    {"sumprod([F], 2)==24690", false},
    {"number([F], 'N2')==12.345", false},
    {"setn('N2B!'), number([F])==12.345, [F]*1000==12345", false},
    {"length([CARD])==16 && length('ab')==2", false},
    {"first([MEMO])==0, first(' x')==2", false},
    {"blank([MEMO]) && blank('')", false},
    {"day([D]) && day([D])==29", false},
    {"month([M])==2", false},
    {"mdate([M], [D])==60", false},
    {"ydate([Y], [M], [D])-ydate(2000, 1, 1)==8825", false},
    {"jdate(5, 6, [M], [D])==ydate([Y], [M], [D])", false},
    {"time(23, 59)==1439", false},
    {"time12(2, 11, 59)==time(23, 59)", false},
    // The extension table.
    {"luhn([CARD]) && luhn(79927398713)", false},
    {"mod11([ISBN], '2,3,4,5,6,7,8,9,10')", false},
    {"mynumber([MY]) && mynumber([M1..12])", false},
    {"corpnumber('7000-01-205000-2')", false},
    {"ean('4901234567894') && ean(49123456)", false},
    {"digits([M1..12], 12) && digits([TXT])==3", false},
    // Ranges, nesting, assignments, several statements.
    {"sum([A1..999999999], [A3..1])==12", false},
    {"x=sum([A1..3]), y=x*x, y/x==@, x-y==-30", false},
    {"day(sum(length([F]), first([F]), 10))==16 && month(time(0, 12))", false},
    {"ydate(sum([Y], 0), month([M]), day([D])) > ydate(2024, 2, 28)", false},
    {"-(-[A1])*(([A2]+[A3]))/5==1 || luhn(0)", false},
    {"blank([MEMO]) || digits([TXT]), 'text', x=1, x", false},
    // Certify mode: fields judged by their classes, false checks not reported.
    {"sum([A1..3])==@, [A1]==99", true},
    {"length([KAT])==2 || blank([KAT])", true},
    {"mynumber([M1..12]) && ydate([Y], [M], [D])", true},
    {"x=[F]*2, x>0, setn('N3'), number([F])>0", true},
};

}  // namespace talv_test
