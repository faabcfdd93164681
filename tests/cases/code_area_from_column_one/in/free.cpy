01 FREE-FORM.
   05 A PIC X(3).
      * a comment: the indicator stays in column 7
   05 B PIC S9(4) COMP.     this text is past column 30
