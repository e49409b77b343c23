@echo off
rem Group Policy computer start-up script: runs PurgewellScan from the share this script is on, and leaves the
rem report in the share's reports folder as <machine>.json: written under a temporary name, then renamed, so a
rem roll-up never reads half a report. Optional arguments replace the default switches /remove /quiet.
setlocal
set "SHARE=%~dp0"
set "REPORTS=%SHARE%reports"
set "SWITCHES=%*"
if "%SWITCHES%"=="" set "SWITCHES=/remove /quiet"
if not exist "%REPORTS%\" mkdir "%REPORTS%"
set "PARTIAL=%REPORTS%\%COMPUTERNAME%.partial"
if exist "%PARTIAL%" del /f /q "%PARTIAL%"
"%SHARE%PurgewellScan.exe" %SWITCHES% /report:"%PARTIAL%"
set "RESULT=%ERRORLEVEL%"
if exist "%PARTIAL%" move /y "%PARTIAL%" "%REPORTS%\%COMPUTERNAME%.json" >nul
exit /b %RESULT%
