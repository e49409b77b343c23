@echo off
rem Sets the access lists of the Purgewell share's folder on the file server (Windows Server 2008 and later):
rem   share-acl.cmd FOLDER [DOMAIN]
rem FOLDER is the shared folder that holds PurgewellScan.exe and purgewell-startup.cmd; FOLDER\reports receives
rem the computers' reports. DOMAIN is the computers' domain (default: this account's). Run it as an administrator.
setlocal
if "%~1"=="" (
  echo usage: share-acl.cmd FOLDER [DOMAIN]
  exit /b 2
)
set "FOLDER=%~1"
set "DOMAIN=%~2"
if "%DOMAIN%"=="" set "DOMAIN=%USERDOMAIN%"
set "COMPUTERS=%DOMAIN%\Domain Computers"
if not exist "%FOLDER%\reports\" mkdir "%FOLDER%\reports" || exit /b 1

rem The program folder: nothing inherited from above; Administrators (S-1-5-32-544) and SYSTEM (S-1-5-18) have
rem full control; the domain's computers may only read and run what is there.
icacls "%FOLDER%" /inheritance:r /grant:r "*S-1-5-32-544:(OI)(CI)F" "*S-1-5-18:(OI)(CI)F" "%COMPUTERS%:(OI)(CI)RX" || exit /b 1

rem The reports folder, a drop box: nothing inherited; Administrators and SYSTEM have full control; the domain's
rem computers may create files in this folder only (no listing, no folders, no deleting); CREATOR OWNER
rem (S-1-3-0) gives each file's creator the right to change and replace that file only.
icacls "%FOLDER%\reports" /inheritance:r /grant:r "*S-1-5-32-544:(OI)(CI)F" "*S-1-5-18:(OI)(CI)F" "%COMPUTERS%:(NP)(WD,X,RA,REA,S)" "*S-1-3-0:(OI)(IO)M" || exit /b 1

echo Access lists set on %FOLDER% and %FOLDER%\reports.
exit /b 0
