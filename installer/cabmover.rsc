# Resources of the installer Cabmover: its payload, names, licence, strings
# and dialogs. Payload files come from the build's payload folder.

data 100 1 file "ravenor.ini"
data 100 2 file "Uninstall.exe"
data 100 3 file "ravenor.CAB"
data 100 4 file "icon1.ico"

data 101 1 text "ravenor.ini"
data 101 2 text "Uninstall.exe"
data 101 3 text "ravenor.CAB"
data 101 4 text "icon1.ico"

data 102 5 textfile "licence.txt"
data 103 2 text "Game"

string 1 "ActiveSync not found on this computer. Cabmover cannot continue and will now exit."
string 2 "Cabmover"
string 3 "Could not create install directory. Cabmover cannot continue and will exit."
string 4 "An error occured writing your Smartphone application to disk. Cabmover cannot continue and will exit."
string 5 "The Cabmover files are missing information. Cabmover cannot continue and will exit."
string 6 "Could not write uninstall information."
string 7 "%s will be installed on your Smartphone now"
string 8 "Smartphone installation"
string 9 "License Agreement"
string 10 "Please read the following license agreement carefully."

# The wizard frame: the pages fill it.
dialog 151 0 0 332 218 WS_POPUP|WS_CAPTION|WS_SYSMENU|DS_MODALFRAME|DS_SETFONT "Wizard" 8 "MS Sans Serif"
end

# The licence page.
dialog 2 0 0 332 218 WS_CHILD|DS_CONTROL|DS_SETFONT "" 8 "MS Sans Serif"
  control 1030 STATIC 0 0 332 35 WS_VISIBLE|SS_WHITERECT ""
  control -1 STATIC 295 5 30 25 WS_VISIBLE|SS_BITMAP "#149"
  control -1 STATIC 0 35 332 1 WS_VISIBLE|SS_ETCHEDHORZ ""
  control 6 EDIT 6 44 319 107 WS_VISIBLE|WS_TABSTOP|WS_BORDER|WS_VSCROLL|ES_MULTILINE|ES_READONLY|ES_AUTOVSCROLL ""
  control 1031 BUTTON 12 157 300 10 WS_VISIBLE|WS_TABSTOP|WS_GROUP|BS_AUTORADIOBUTTON "I &accept the terms in the license agreement"
  control 1032 BUTTON 12 171 300 10 WS_VISIBLE|BS_AUTORADIOBUTTON "I &do not accept the terms in the license agreement"
  control -1 STATIC 0 192 332 1 WS_VISIBLE|SS_ETCHEDHORZ ""
  control 1033 BUTTON 162 199 50 14 WS_VISIBLE|WS_TABSTOP|WS_GROUP|BS_PUSHBUTTON "< &Back"
  control 1 BUTTON 216 199 50 14 WS_VISIBLE|WS_TABSTOP|WS_DISABLED|BS_DEFPUSHBUTTON "&Finish"
  control 2 BUTTON 276 199 50 14 WS_VISIBLE|WS_TABSTOP|BS_PUSHBUTTON "&Cancel"
end

# A second page layout, kept with the program and not shown.
dialog 1 0 0 332 218 WS_CHILD|DS_CONTROL|DS_SETFONT "" 8 "MS Sans Serif"
  control 1030 STATIC 0 0 332 35 WS_VISIBLE|SS_WHITERECT ""
  control -1 STATIC 295 5 30 25 WS_VISIBLE|SS_BITMAP "#149"
  control -1 STATIC 0 35 332 1 WS_VISIBLE|SS_ETCHEDHORZ ""
  control 6 STATIC 12 44 308 140 WS_VISIBLE|SS_LEFT ""
  control -1 STATIC 0 192 332 1 WS_VISIBLE|SS_ETCHEDHORZ ""
  control 1033 BUTTON 162 199 50 14 WS_VISIBLE|WS_TABSTOP|WS_DISABLED|BS_PUSHBUTTON "< &Back"
  control 1034 BUTTON 216 199 50 14 WS_VISIBLE|WS_TABSTOP|BS_DEFPUSHBUTTON "&Next >"
  control 2 BUTTON 276 199 50 14 WS_VISIBLE|WS_TABSTOP|BS_PUSHBUTTON "&Cancel"
end
