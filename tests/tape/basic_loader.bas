10 REM tape test loader
20 LOAD "" CODE
