; A 64-bit NSIS installer that registers one program in the 64-bit machine view.
Target amd64-unicode
Name "Nubo Installed Nsis"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\Nubo Installed Nsis"
RequestExecutionLevel admin
SilentInstall silent
SilentUnInstall silent

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\NuboInstalledNsis"

Section
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetRegView 64
  WriteRegStr HKLM "${KEY}" "DisplayName" "Nubo Installed Nsis 1.0"
  WriteRegStr HKLM "${KEY}" "DisplayVersion" "1.0"
  WriteRegStr HKLM "${KEY}" "Publisher" "Nubo Probe Works"
  WriteRegStr HKLM "${KEY}" "DisplayIcon" '"$INSTDIR\uninstall.exe",0'
  WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${KEY}" "EstimatedSize" 12
SectionEnd

Section "Uninstall"
  SetRegView 64
  DeleteRegKey HKLM "${KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
