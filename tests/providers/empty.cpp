// A provider library without the expected entry point.
extern "C" int fellridgeTestNothing() {
    return 0;
}
