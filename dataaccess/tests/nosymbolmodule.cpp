// A module that is loadable but exports no provider entry point.
extern "C" __attribute__((visibility("default"))) int vantril_not_a_provider() { return 0; }
