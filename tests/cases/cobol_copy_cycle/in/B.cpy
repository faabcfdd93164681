           05 X PIC X.
           COPY "a.cpy".
