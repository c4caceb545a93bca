// parlino-tables init DIR | demo DIR: makes the server's data folder.
#include "platform/dataset/DatasetErrors.h"
#include "server/DataUnit2.h"
#include "tools/TableInstaller.h"

#include <cstring>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace parlino::tools;
    if (argc != 3 || (std::strcmp(argv[1], "init") != 0 && std::strcmp(argv[1], "demo") != 0)) {
        std::cerr << "usage: parlino-tables init DIR    empty tables of every layout\n"
                     "       parlino-tables demo DIR    the same with demo accounts and cards\n";
        return 2;
    }
    const InstallContent content = std::strcmp(argv[1], "demo") == 0 ? InstallContent::Demo
                                                                      : InstallContent::Empty;
    try {
        InstallTables(argv[2], content, parlino::SystemDateTimeNow());
    } catch (const InstallRefused& refused) {
        std::cerr << "parlino-tables: " << refused.what() << '\n';
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "parlino-tables: " << error.what() << '\n';
        return 1;
    }
    std::cout << "Table files written to " << argv[2] << '\n';
    return 0;
}
