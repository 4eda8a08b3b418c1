#include "script/command_table.h"

#include "commands/conditions/appexist.h"
#include "commands/conditions/crc.h"
#include "commands/conditions/date.h"
#include "commands/conditions/exist.h"
#include "commands/conditions/osver.h"
#include "commands/conditions/verify.h"
#include "commands/files/attr.h"
#include "commands/files/copy.h"
#include "commands/files/delete.h"
#include "commands/files/makedir.h"
#include "commands/files/move.h"
#include "commands/files/rsrc.h"
#include "commands/files/shell.h"
#include "commands/programs/launch.h"
#include "commands/programs/link.h"
#include "commands/programs/msgbox.h"
#include "commands/programs/waitapp.h"
#include "commands/conditions/switch.h"

namespace {

// The order in which "MODE" values are compared. Commands without functions are not
// part of this build yet; naming one is reported like an unknown word.
constexpr Command kCommands[] = {
    {"EXIST", LoadExist, ExecuteExist, CheckExist},
    {"DATE", LoadDate, ExecuteDate, CheckDate},
    {"SWITCH", LoadSwitch, ExecuteSwitch, CheckSwitch},
    {"MSGBOX", LoadMsgBox, ExecuteMsgBox, CheckMsgBox},
    {"COPY", LoadCopy, ExecuteCopy, CheckCopy},
    {"LAUNCH", LoadLaunch, ExecuteLaunch, CheckLaunch},
    {"DELETE", LoadDelete, ExecuteDelete, CheckDelete},
    {"LINK", LoadLink, ExecuteLink, CheckLink},
    {"OSVER", LoadOsVer, ExecuteOsVer, CheckOsVer},
    {"MAKEDIR", LoadMakeDir, ExecuteMakeDir, CheckMakeDir},
    {"ATTR", LoadAttr, ExecuteAttr, CheckAttr},
    {"CRC", LoadCrc, ExecuteCrc, CheckCrc},
    {"MOVE", LoadMove, ExecuteMove, CheckMove},
    {"WAITAPP", LoadWaitApp, ExecuteWaitApp, CheckWaitApp},
    {"APPEXIST", LoadAppExist, ExecuteAppExist, CheckAppExist},
    {"VERIFY", LoadVerify, ExecuteVerify, CheckVerify},
    {"RSRC", LoadRsrc, ExecuteRsrc, CheckRsrc},
    {"SHELL", LoadShell, ExecuteShell, CheckShell},
};

}  // namespace

const Command* FindCommand(const TextString& mode) {
  for (const Command& command : kCommands) {
    if (mode == command.word) return &command;
  }
  return nullptr;
}
