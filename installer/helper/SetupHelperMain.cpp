// RavelinSetupHelper.exe, the installer's console helper; installed beside the programs and run
// by the installer and the uninstaller (any output goes to the installer's details):
//   RavelinSetupHelper stop <installDir> <listFile>   closes the installation's manager, stops
//                                                     its running services and lists them
//   RavelinSetupHelper start <installDir> <listFile>  starts the listed services again
//   RavelinSetupHelper remove <installDir>            closes the manager, stops and deletes every
//                                                     service of the installation
// Exit code 0 when everything was done, 1 when something was not, 2 for a wrong command line.

#include "InstallationServices.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: RavelinSetupHelper stop <installDir> <listFile> | "
                         "start <installDir> <listFile> | remove <installDir>\n");
    return 2;
}

bool WriteList(const char* path, const std::vector<std::string>& names)
{
    std::ofstream out(path, std::ios::trunc);
    for (const std::string& name : names)
        out << name << '\n';
    return static_cast<bool>(out);
}

std::vector<std::string> ReadList(const char* path)
{
    std::vector<std::string> names;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            names.push_back(line);
    }
    return names;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const char* command = argv[1];
    CInstallationServices services(argv[2]);
    if (std::strcmp(command, "stop") == 0 && argc == 4) {
        std::vector<std::string> stopped;
        bool closed = services.CloseManager();
        bool ok = services.StopRunning(&stopped);
        bool listed = WriteList(argv[3], stopped);
        return closed && ok && listed ? 0 : 1;
    }
    if (std::strcmp(command, "start") == 0 && argc == 4)
        return services.Start(ReadList(argv[3])) ? 0 : 1;
    if (std::strcmp(command, "remove") == 0 && argc == 3) {
        bool closed = services.CloseManager();
        return services.RemoveAll() && closed ? 0 : 1;
    }
    return Usage();
}
