// A loadable module that is not the chart printing module: it lacks the
// entry the loader asks for.
extern "C" int MarevoxOtherModule() {
    return 0;
}
