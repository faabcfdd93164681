      * Entries: PICTURE IS, symbols in either case, edited pictures,
      * scaling, the clauses that take no storage, the compiler usages,
      * VALUE forms, OCCURS phrases in any order and a level-66 entry.
       01  ENTRY-RECORD.
           05  EN-NAME         PICTURE IS x(10) JUSTIFIED RIGHT.
           05  EN-AMOUNT       pic s9(5)v99 comp-3 VALUE -1.5.
           05  EN-EDITED       PIC -ZZ,ZZ9.99 BLANK WHEN ZERO.
           05  EN-MONEY        PIC $$$,$$9.99CR.
           05  EN-INSERTED     PIC XXBXX/00.
           05  EN-DEBIT        PIC Z(4)9.99db.
           05  EN-CHECK        PIC ***9.
           05  EN-SMALL        PIC PPP999 COMP.
           05  EN-LARGE        PIC 999PPP COMP-3.
           05  EN-FRACTION     PIC SVPP99.
           05  EN-HALF         PIC S99 BINARY.
           05  EN-FOUR         PIC 9(4) COMP-4.
           05  EN-COMP5        PIC S9(4) COMP-5.
           05  EN-SIGNED-P6    PIC S9(4) COMP-6.
           05  EN-WIDE         PIC N(4).
           05  EN-NATIONAL     PIC X(3) USAGE NATIONAL.
           05  EN-INDEX        USAGE IS INDEX.
           05  EN-PROC         USAGE PROCEDURE-POINTER.
           05  EN-PLAIN        PIC X(5) USAGE DISPLAY VALUE X'C1C2'.
           05  EN-SPACES       PIC X(3) VALUE SPACES.
           05  EN-ALL          PIC X(4) VALUE ALL '*'.
           05  EN-SIGNED       PIC S9(3) LEADING SEPARATE.
           05  EN-KEYS         OCCURS 3 INDEXED BY EN-IX1 EN-IX2
                               ASCENDING KEY IS EN-KEY.
               10  EN-KEY      PIC 9(2).
               10  EN-DATA     PIC X(3).
       66  EN-ALIAS RENAMES EN-NAME THRU EN-AMOUNT.
       01  SECOND-RECORD GLOBAL.
           05  SE-FLAG         PIC X VALUE LOW-VALUE.
