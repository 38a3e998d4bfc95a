#pragma once
// The data folder "ДАННЫЕ" beside the executable and the paths under it.

#include <QString>
#include <QStringList>

namespace omi {

extern const QString kDataFolderName;  // "ДАННЫЕ"

// Folder of the executable; the current folder while no application object exists.
QString ExeDir();

// The folder that stands for "ДАННЫЕ": the folder set with SetDataRoot (the
// programs' --data-dir option, tests); else <exe folder>/ДАННЫЕ when it
// exists (the build tree); else, for a program installed in <prefix>/bin with
// its data in <prefix>/share/omi/ДАННЫЕ, the user's folder
// $XDG_DATA_HOME/omi/ДАННЫЕ (~/.local/share/omi/ДАННЫЕ), where the installed
// files the user lacks are copied the first time; else <exe folder>/ДАННЫЕ.
QString DataRoot();
// <exe folder>/../share/omi/ДАННЫЕ: where an installation keeps the data folder.
QString InstalledDataRoot();
// An empty dir returns to the folder beside the executable.
void SetDataRoot(const QString& dir);

// Path from a list of names: the executable's folder, then every name except
// the last two as folders, then, when the last-but-one name is not empty,
// that name + "." + the last name as the file name:
//   ("ДАННЫЕ", "ПАМЯТЬ", "mem")            -> <exe>/ДАННЫЕ/ПАМЯТЬ.mem
//   ("ДАННЫЕ", "ПОМОЩЬ", "HELPMY", "HLP")  -> <exe>/ДАННЫЕ/ПОМОЩЬ/HELPMY.HLP
//   ("ДАННЫЕ", "", "")                     -> <exe>/ДАННЫЕ
// A leading "ДАННЫЕ" folder is DataRoot(). Empty folder names are skipped; a
// single name is a folder beside the executable. Separators are "/".
QString DataPath(const QStringList& names);

// A name built from program texts (tab captions, logger names, dates) made
// safe as one file name on Linux and Windows alike: path separators, control
// characters and the characters Windows refuses become "_", a run of dots
// cannot make "..", trailing dots and blanks are dropped, a reserved device
// name (CON, PRN, AUX, NUL, COM1..9, LPT1..9, with or without an extension)
// gets a leading "_", and an empty result is "_". Safe names pass unchanged.
QString SafeFileName(const QString& name);

}  // namespace omi
