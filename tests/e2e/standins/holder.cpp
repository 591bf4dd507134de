// Holds a file open without sharing, as another program might, so that the
// launcher's attempt to write it meets a sharing violation.
// Usage: holder FILE READY RELEASE [SECONDS]. Creates READY once FILE is open,
// then keeps it open until RELEASE exists or SECONDS (30) have passed.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    const HANDLE held = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return 1;
    const HANDLE ready = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE)
        CloseHandle(ready);
    const DWORD limit = 1000u * static_cast<DWORD>(argc > 4 ? std::atoi(argv[4]) : 30);
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < limit)
        Sleep(50);
    CloseHandle(held);
    return 0;
}
