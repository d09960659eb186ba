// A library without DllRegisterServer, for the tests of a missing export.

extern "C" __attribute__((visibility("default"))) int SomethingElse()
{
    return 7;
}
