// The tool's texts, in one place.
#pragma once

#include <windows.h>

#include <string>

namespace conferencebus::texts {

extern const wchar_t Help[];
std::wstring Error(const std::wstring& message);
// "FILE:LINE: ", before the error of a script's command.
std::wstring Where(const std::wstring& file, size_t line);
std::wstring ScriptUnreadable(const std::wstring& path, DWORD error);
std::wstring UnknownCommand(const std::wstring& command);
std::wstring Usage(const wchar_t* syntax);
std::wstring NotASerial(const std::wstring& text);
std::wstring Plugged(ULONG serial);
std::wstring Unplugged(ULONG serial);
extern const wchar_t UnpluggedAll[];
extern const wchar_t NoChildren[];
extern const wchar_t ChildHeader[];
std::wstring ChildRow(const std::wstring& deviceId, const std::wstring& instanceId,
                      const std::wstring& description, const std::wstring& location);
std::wstring Holding(size_t children);
extern const wchar_t Interrupted[];
extern const wchar_t Prompt[];

extern const wchar_t PlugSyntax[];
extern const wchar_t UnplugSyntax[];

extern const wchar_t InstallBusSyntax[];
extern const wchar_t RemoveBusSyntax[];
std::wstring BusInstalled(bool created, const std::wstring& infPath);
std::wstring BusRemoved(DWORD devices, DWORD packages);
extern const wchar_t RestartNeeded[];

} // namespace conferencebus::texts
