       01 WS-REC.
          05 WS-STATUS PIC X.
             88 WS-OK VALUE 'Y'.
          05 WS-GROUP.
             10 WS-IN PIC X.
          05 ws-lower PIC X.
          05 WS- PIC X.
