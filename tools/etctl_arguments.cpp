#include "tools/etctl_arguments.h"

#include <cwctype>

#include "elevated_tasks/pipe_protocol.h"

namespace etctl {

namespace {

struct NamedCommand {
  const wchar_t* word;
  uint32_t command;
  bool takesPath;
};

constexpr NamedCommand kCommands[] = {
    {L"xperf-start", XperfStart, false},
    {L"xperf-stop", XperfStop, false},
    {L"quit", Quit, false},
    {L"debugdir-create", DebugDirCreate, false},
    {L"debugdir-delete", DebugDirDelete, false},
    {L"debugdir-set", DebugDirSet, true},
    {L"lnkagt-create", LNKAGTDebugDirCreate, false},
    {L"lnkagt-delete", LNKAGTDebugDirDelete, false},
    {L"lnkagt-set", LNKAGTDebugDirSet, true},
    {L"service-restart", LauncherServiceRestart, false},
};

// Decimal digits only, no sign, no blanks, and the value within 32 bits.
bool ParseUnsigned(const std::wstring& text, uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  unsigned long long result = 0;
  for (const wchar_t unit : text) {
    if (unit < L'0' || unit > L'9') return false;
    result = result * 10 + static_cast<unsigned>(unit - L'0');
  }
  if (result > 0xFFFFFFFFull) return false;
  value = static_cast<uint32_t>(result);
  return true;
}

const NamedCommand* FindCommand(const std::wstring& word) {
  for (const NamedCommand& named : kCommands) {
    if (word == named.word) return &named;
  }
  return nullptr;
}

}  // namespace

std::wstring CommandWord(uint32_t command) {
  for (const NamedCommand& named : kCommands) {
    if (named.command == command) return named.word;
  }
  return L"";
}

ParseResult ParseArguments(const std::vector<std::wstring>& arguments) {
  ParseResult result;
  Options& options = result.options;
  const auto fail = [&result](std::wstring message) {
    result.ok = false;
    result.error = std::move(message);
    return result;
  };
  bool quitSeen = false;

  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& word = arguments[i];
    const bool hasNext = i + 1 < arguments.size();

    if (word == L"--help" || word == L"-h" || word == L"/?") {
      options.help = true;
      continue;
    }
    if (word == L"--attach") {
      options.attach = true;
      continue;
    }
    if (word == L"--server-image") {
      if (!hasNext || arguments[i + 1].empty()) return fail(word + L" needs a PATH");
      options.serverImage = arguments[++i];
      continue;
    }
    if (word == L"--connect-timeout-ms" || word == L"--ack-timeout-ms") {
      DWORD& target =
          word == L"--connect-timeout-ms" ? options.connectTimeoutMs : options.ackTimeoutMs;
      uint32_t milliseconds = 0;
      if (!hasNext || !ParseUnsigned(arguments[i + 1], milliseconds) || milliseconds == INFINITE) {
        return fail(word + L" needs a number of milliseconds below 4294967295");
      }
      target = milliseconds;
      ++i;
      continue;
    }

    Step step;
    step.word = word;
    if (word == L"code") {
      if (!hasNext || !ParseUnsigned(arguments[i + 1], step.command)) {
        return fail(L"code needs a command number from 0 to 4294967295");
      }
      step.word += L" " + arguments[++i];
    } else if (const NamedCommand* named = FindCommand(word)) {
      step.command = named->command;
      if (named->takesPath) {
        if (!hasNext) return fail(word + L" needs a PATH");
        step.path = arguments[++i];
        if (step.path.size() >= kPipePathUnits) {
          return fail(word + L": the path has " + std::to_wstring(step.path.size()) +
                      L" units; the message holds at most " + std::to_wstring(kPipePathUnits - 1));
        }
      }
    } else {
      return fail(L"unknown command or option: " + word);
    }

    if (quitSeen) return fail(word + L" follows quit, after which ElevatedTasks has ended");
    quitSeen = step.command == Quit;
    options.steps.push_back(std::move(step));
  }

  if (options.steps.empty() && !options.help) return fail(L"no command given");
  result.ok = true;
  return result;
}

std::wstring UsageText() {
  return L"usage: qlfvxETctl [options] COMMAND [COMMAND ...]\n"
         L"\n"
         L"Starts qlfvxET.exe (ElevatedTasks) from this program's folder, elevated, on\n"
         L"behalf of this process, sends the commands in order, waits for each to be\n"
         L"acknowledged and shows what it changed. ElevatedTasks ends when this program\n"
         L"ends.\n"
         L"\n"
         L"Commands:\n"
         L"  xperf-start        start the kernel trace with Xperf\n"
         L"  xperf-stop         stop it and merge it into qlfvxPerfData.etl\n"
         L"  debugdir-create    create a time-stamped log folder under TEMP, record it as "
         L"DebugDir\n"
         L"  debugdir-delete    delete the value DebugDir (the folder stays)\n"
         L"  debugdir-set PATH  record PATH as DebugDir (no folder is created)\n"
         L"  lnkagt-create      create TEMP\\LNKAGT_Logs, record it as LNKAGTDebugDir\n"
         L"  lnkagt-delete      delete the value LNKAGTDebugDir (the folder stays)\n"
         L"  lnkagt-set PATH    record PATH as LNKAGTDebugDir\n"
         L"  service-restart    stop, then start, the service CORVANTALauncher\n"
         L"  quit               end ElevatedTasks (nothing may follow)\n"
         L"  code N             send the raw command number N (0 to 4294967295)\n"
         L"\n"
         L"PATH must be shorter than 260 characters. The values live under\n"
         L"HKLM\\SOFTWARE\\Brevanne Koltec\\QuillforgePDM.\n"
         L"\n"
         L"Only the process launched gets a byte: a pipe served by any other process,\n"
         L"even one running qlfvxET.exe, is refused.\n"
         L"\n"
         L"Options:\n"
         L"  --server-image PATH       launch PATH instead of qlfvxET.exe in this program's\n"
         L"                            folder (for example the hardened build); with --attach,\n"
         L"                            talk only to an ElevatedTasks running from PATH\n"
         L"  --attach                  launch nothing: use an ElevatedTasks that is already\n"
         L"                            running (its pipe is free) if it runs the expected\n"
         L"                            image elevated; it ends when this program ends\n"
         L"  --connect-timeout-ms N    wait at most N ms for the pipe (default 10000)\n"
         L"  --ack-timeout-ms N        wait at most N ms for each acknowledgement\n"
         L"                            (default 300000)\n"
         L"  --help                    show this text\n"
         L"\n"
         L"Exit codes: 0 every command acknowledged, 1 ElevatedTasks could not be reached,\n"
         L"ended first, another process served the pipe, or a command was not acknowledged,\n"
         L"2 wrong usage (nothing is sent), 3 the launch failed (nothing is sent).\n";
}

}  // namespace etctl
