; A per-user NSIS installer: the program, a Start-menu link to it and a
; settings folder in the roaming application data. Its uninstaller removes
; the program and its key but leaves the link and the settings behind.
Target amd64-unicode
Name "Nubo Safety Nsis"
OutFile "${OUT}"
InstallDir "$LOCALAPPDATA\Programs\Nubo Safety Nsis"
RequestExecutionLevel user
SilentInstall silent
SilentUnInstall silent

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\NuboSafetyNsis"

Section
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "/oname=nubo-safety.exe" "${PAYLOAD}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Nubo Safety Nsis.lnk" "$INSTDIR\nubo-safety.exe"
  CreateDirectory "$APPDATA\Nubo Safety Nsis"
  FileOpen $0 "$APPDATA\Nubo Safety Nsis\settings.ini" w
  FileWrite $0 "[main]"
  FileClose $0
  WriteRegStr HKCU "${KEY}" "DisplayName" "Nubo Safety Nsis"
  WriteRegStr HKCU "${KEY}" "Publisher" "Nubo Probe Works"
  WriteRegStr HKCU "${KEY}" "DisplayIcon" '"$INSTDIR\nubo-safety.exe",0'
  WriteRegStr HKCU "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  DeleteRegKey HKCU "${KEY}"
  Delete "$INSTDIR\nubo-safety.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
