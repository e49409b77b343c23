@echo off
rem Group Policy computer start-up script: checks PurgewellScan.exe on the share against the SHA-256 of the
rem release this script was stamped for (deploy/stamp-startup.sh), then runs it and leaves the report in the
rem share's reports folder as <machine>.json: written under a temporary name, then renamed, so a roll-up never
rem reads half a report. Optional arguments replace the default switches /remove /quiet.
rem A program that does not match runs not at all: the script leaves a report of its own saying why and exits
rem 13. Where certutil is missing (Windows XP) the program runs unchecked and its report says so.
setlocal
rem Stamped for a release: the program's SHA-256, and the share that holds it (empty: this script's folder).
set "PROGRAM_SHA256="
set "SHARE="
if "%SHARE%"=="" set "SHARE=%~dp0"
if not "%SHARE:~-1%"=="\" set "SHARE=%SHARE%\"
set "PROGRAM=%SHARE%PurgewellScan.exe"
set "REPORTS=%SHARE%reports"
set "SWITCHES=%*"
if "%SWITCHES%"=="" set "SWITCHES=/remove /quiet"
if not exist "%REPORTS%\" mkdir "%REPORTS%"
set "PARTIAL=%REPORTS%\%COMPUTERNAME%.partial"
if exist "%PARTIAL%" del /f /q "%PARTIAL%"
set "CERTUTIL=%SystemRoot%\System32\certutil.exe"
if "%PROGRAM_SHA256%"=="" goto unstamped
if not exist "%CERTUTIL%" goto unchecked
rem certutil prints a heading, the hash (its bytes spaced apart before Windows 8), then a status line.
set "ACTUAL="
for /f "skip=1 delims=" %%h in ('""%CERTUTIL%" -hashfile "%PROGRAM%" SHA256"') do if not defined ACTUAL set "ACTUAL=%%h"
if defined ACTUAL set "ACTUAL=%ACTUAL: =%"
if /i not "%ACTUAL%"=="%PROGRAM_SHA256%" goto changed
"%PROGRAM%" %SWITCHES% /report:"%PARTIAL%"
goto ran
:unchecked
"%PROGRAM%" %SWITCHES% "/note:certutil is missing, so the program was run without checking its SHA-256; the share's access lists are the only guard" /report:"%PARTIAL%"
:ran
set "RESULT=%ERRORLEVEL%"
if exist "%PARTIAL%" move /y "%PARTIAL%" "%REPORTS%\%COMPUTERNAME%.json" >nul
exit /b %RESULT%
:unstamped
set "WHY=this start-up script was never stamped with a release's SHA-256 (deploy/stamp-startup.sh), so it runs nothing"
goto refuse
:changed
set "WHY=the program on the share does not have the SHA-256 this start-up script was stamped with, or it could not be read: nothing was run"
:refuse
>"%PARTIAL%" echo {"schema":"purgewell-scan-report","schema_version":1,"program":"purgewell-startup.cmd","machine":"%COMPUTERNAME%","outcome":"not_run","exit_code":13,"error":"%WHY:\=\\%","expected_sha256":"%PROGRAM_SHA256%"}
move /y "%PARTIAL%" "%REPORTS%\%COMPUTERNAME%.json" >nul
echo purgewell-startup.cmd: %WHY%
exit /b 13
