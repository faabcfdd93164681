      * Reference format: comment, page and debugging lines, floating
      * comments, continued words and literals, tabs.
       01  REFERENCE-RECORD.
      /
           05  REF-CODE            PIC X(4).    *> a floating comment
      D    05  REF-DEBUG           PIC X(99).
           05  REF-CONTIN
      -        UED-NAME            PIC 9(3)V9
      -    9.
           05  REF-TEXT            PIC X(70) VALUE "A LITERAL THAT GOES
      -    "ON ON THE NEXT LINE".
           05  REF-QUOTES          PIC X(6) VALUE 'IT''S'.
	   05  REF-AFTER-TAB	PIC S9(4)	COMP.
