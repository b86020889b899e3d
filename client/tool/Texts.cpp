#include "Texts.h"

#include "Messages.h"

namespace conferencebus::texts {

const wchar_t Help[] =
    L"ConferenceBusCtl: plugs child devices into the Fenwarel conference bus and holds them.\n"
    L"\n"
    L"Usage:\n"
    L"  ConferenceBusCtl [--bus PATH] [COMMAND...]\n"
    L"  ConferenceBusCtl [--bus PATH] --script FILE\n"
    L"  ConferenceBusCtl --help\n"
    L"  ConferenceBusCtl install-bus [INF]\n"
    L"  ConferenceBusCtl remove-bus\n"
    L"\n"
    L"Each COMMAND argument is one command; quote it. Without commands or a script the\n"
    L"commands are read from standard input, encoded as a script is. Children stay\n"
    L"plugged in while the session runs: it ends with quit, at the end of the input or\n"
    L"with Ctrl-C, and closing the bus then unplugs every child. A failed command of a\n"
    L"script is reported as FILE:LINE: error: ...\n"
    L"\n"
    L"Commands:\n"
    L"  plug SERIAL HWID [HWID...]  plug in a child: serial 0 to 4294967295; hardware ids\n"
    L"                              of 1 to 199 characters from U+0021 to U+007F but the\n"
    L"                              comma; the first is the device id, ENUMERATOR\\ID, of\n"
    L"                              at most 171 characters with the instance id (serial\n"
    L"                              7: \"07\", so 169)\n"
    L"  unplug SERIAL               unplug one child\n"
    L"  unplug all                  unplug every child\n"
    L"  list                        list the bus's child devices\n"
    L"  buses                       list the interface paths of the present buses\n"
    L"  wait                        hold the children until Ctrl-C\n"
    L"  help                        show this text\n"
    L"  quit                        end the session\n"
    L"\n"
    L"Installing the bus, as administrator; each runs alone:\n"
    L"  install-bus [INF]  create the bus device unless one is present and install the\n"
    L"                     driver package on it; INF: ConferenceBus.inf beside this tool\n"
    L"  remove-bus         remove every bus device and the package from the driver store\n"
    L"\n"
    L"Options:\n"
    L"  --bus PATH     use the bus with this interface path; default: the first present\n"
    L"  --script FILE  read the commands from FILE (UTF-8, or UTF-16 with its byte-order\n"
    L"                 mark), one a line; a line starting with # is a comment\n"
    L"  --help         show this text\n"
    L"\n"
    L"Exit code: 0 when every command succeeded, 1 when one failed, 2 for a wrong\n"
    L"command line.\n";

std::wstring Error(const std::wstring& message) {
    return L"error: " + message + L"\n";
}

std::wstring Where(const std::wstring& file, size_t line) {
    return file + L":" + std::to_wstring(line) + L": ";
}

std::wstring ScriptUnreadable(const std::wstring& path, DWORD error) {
    return messages::Failed((L"Reading the script " + path).c_str(), error);
}

std::wstring UnknownCommand(const std::wstring& command) {
    return L"unknown command \"" + command + L"\" (try help)";
}

std::wstring Usage(const wchar_t* syntax) {
    return std::wstring(L"usage: ") + syntax;
}

std::wstring NotASerial(const std::wstring& text) {
    return L"not a serial number: " + text;
}

std::wstring Plugged(ULONG serial) {
    return L"plugged in serial " + std::to_wstring(serial) + L"\n";
}

std::wstring Unplugged(ULONG serial) {
    return L"unplugged serial " + std::to_wstring(serial) + L"\n";
}

const wchar_t UnpluggedAll[] = L"unplugged every child\n";
const wchar_t NoChildren[] = L"no child devices\n";
const wchar_t ChildHeader[] = L"DEVICE ID\tINSTANCE\tDESCRIPTION\tLOCATION\n";

std::wstring ChildRow(const std::wstring& deviceId, const std::wstring& instanceId,
                      const std::wstring& description, const std::wstring& location) {
    return deviceId + L"\t" + instanceId + L"\t" + description + L"\t" + location + L"\n";
}

std::wstring Holding(size_t children) {
    return L"holding " + std::to_wstring(children) + L" child device" +
           (children == 1 ? L"" : L"s") + L"; press Ctrl-C to end\n";
}

const wchar_t Interrupted[] = L"interrupted: closing the bus unplugs every child\n";
const wchar_t Prompt[] = L"> ";

const wchar_t PlugSyntax[] = L"plug SERIAL HWID [HWID...]";
const wchar_t UnplugSyntax[] = L"unplug SERIAL | unplug all";

const wchar_t InstallBusSyntax[] = L"install-bus [INF]";
const wchar_t RemoveBusSyntax[] = L"remove-bus";

std::wstring BusInstalled(bool created, const std::wstring& infPath) {
    return created ? L"created the bus device and installed " + infPath + L" on it\n"
                   : L"installed " + infPath + L" on the bus device already present\n";
}

namespace {

std::wstring Count(DWORD count, const wchar_t* what) {
    return std::to_wstring(count) + L" " + what + (count == 1 ? L"" : L"s");
}

} // namespace

std::wstring BusRemoved(DWORD devices, DWORD packages) {
    return L"removed " + Count(devices, L"bus device") + L" and " +
           Count(packages, L"driver package") + L"\n";
}

const wchar_t RestartNeeded[] = L"Windows asks for a restart to finish\n";

} // namespace conferencebus::texts
