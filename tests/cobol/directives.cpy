      * Listing directives, REPLACE statements, COPY REPLACING LEADING
      * and TRAILING, and a value that begins with its decimal point.
       EJECT
       01  DIRECTIVES-RECORD.
       REPLACE ==PIC X(9)== BY ==PIC X(4)==
               LEADING ==OLD== BY ==NEW==.
           05  OLD-FIELD       PIC X(9).
           COPY PARTS REPLACING LEADING ==XX== BY ==DR==
                                TRAILING ==YY== BY ==ZZ==.
       SKIP1
           05  DR-HALF         PIC V9 VALUE .5.
       SKIP2.
           05  DR-SIGNED       PIC S9V99 VALUE -.25.
       TITLE 'THE REST'.
       REPLACE OFF.
           05  OLD-KEPT        PIC X(9).
       SKIP3
       REPLACE ==X(9)== BY ==X(2)==.
           05  DR-LAST         PIC X(9).
