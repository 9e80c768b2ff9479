// A harmless DLL placed beside the DLL-search test program.
extern "C" __declspec(dllexport) int KvPlanted() { return 1; }
