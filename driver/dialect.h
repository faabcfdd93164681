// Dialects: the rules by which a copybook is read and laid out, one row
// per dialect. Every way in which IBM's compilers read a copybook
// differently from the default reading is one named rule here; a further
// dialect is one more row.
#pragma once

#include <cstdint>

struct Dialect {
  // Source: the indicator column, continuation lines, floating comments,
  // COPY members, REPLACE statements and the listing directives EJECT,
  // SKIP1-3 and TITLE are read before the entries, into logical lines.
  bool readsReferenceFormat;
  // Literals: X'..', N'..', G'..' and Z'..' are literals, a doubled quote
  // inside one stands for a quote, and a number may begin with its point.
  bool compilerLiterals;
  // Entries: the whole data description grammar (PICTURE, editing symbols,
  // scaling, every clause, keywords as whole words) instead of the subset.
  bool compilerGrammar;
  // Entries: the name may be left out before any clause, not only PIC.
  bool omittedNames;
  // Entries: the usages of other compilers (BINARY-CHAR to BINARY-DOUBLE,
  // FLOAT-SHORT, FLOAT-LONG, COMP-X, COMP-N, COMP-6), sized as cobc does.
  bool otherCompilersUsages;
  // Entries: a numeric PICTURE holds at most this many digits; 0: no limit.
  int32_t mostDigits;
  // Layout: binary items of 1 to 4 digits take a halfword unless -b is given.
  bool ibmBinarySizes;
  // Layout: a SYNC item in a table is aligned in every occurrence.
  bool syncEveryOccurrence;
  // Layout: SYNC aligns a binary item of 5 to 18 digits on a fullword (4);
  // only COMP-2 takes a doubleword.
  bool fullwordLongBinary;
  // Layout: the slack bytes before a SYNC item follow the elementary item
  // before it, in the group that holds that item: a group that begins with
  // a SYNC item begins after the slack, one that ends just before a SYNC
  // item takes the slack into its size.
  bool slackFollowsPrecedingItem;
  // Layout: several 01 records are alternatives of one record area, each
  // later one as if written REDEFINES the first.
  bool recordsShareOneArea;
  // Names: REDEFINES and DEPENDING ON objects are found whatever their case.
  bool caseBlindNames;
  // Names: a DEPENDING ON object must be declared in the copybook.
  bool checksDependingObjects;
};

inline constexpr Dialect DEFAULT_DIALECT = {
    /*readsReferenceFormat=*/false,
    /*compilerLiterals=*/false,
    /*compilerGrammar=*/false,
    /*omittedNames=*/false,
    /*otherCompilersUsages=*/false,
    /*mostDigits=*/0,
    /*ibmBinarySizes=*/false,
    /*syncEveryOccurrence=*/false,
    /*fullwordLongBinary=*/false,
    /*slackFollowsPrecedingItem=*/false,
    /*recordsShareOneArea=*/false,
    /*caseBlindNames=*/false,
    /*checksDependingObjects=*/false,
};

// IBM Enterprise COBOL, --cobol.
inline constexpr Dialect IBM_DIALECT = {
    /*readsReferenceFormat=*/true,
    /*compilerLiterals=*/true,
    /*compilerGrammar=*/true,
    /*omittedNames=*/true,
    /*otherCompilersUsages=*/true,
    /*mostDigits=*/31,
    /*ibmBinarySizes=*/true,
    /*syncEveryOccurrence=*/true,
    /*fullwordLongBinary=*/true,
    /*slackFollowsPrecedingItem=*/true,
    /*recordsShareOneArea=*/true,
    /*caseBlindNames=*/true,
    /*checksDependingObjects=*/true,
};
