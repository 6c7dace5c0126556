// morphalith-host — the headless stand-in host's command line.
#include <cstdio>
#include <cstring>
#include <string>

#include "host/Host.h"
#include "host/PanelCommand.h"
#include "host/RenderCommand.h"

namespace {

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: morphalith-host [--module PATH] [--trace] COMMAND\n"
                 "\n"
                 "commands:\n"
                 "  info     load the module as a host does and print what it registers and declares\n"
                 "%s"
                 "%s"
                 "\n"
                 "options:\n"
                 "  --module PATH   the plug-in module to load (default: the one this build made,\n"
                 "                  or $MORPHALITH_MODULE)\n"
                 "  --trace         print every command, suite and host call the module makes\n",
                 host::kParamsUsage, host::kRenderUsage);
}

std::string fourcc(A_long v) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((v >> shift) & 0xFF));
    return s;
}

int info(host::Host& h) {
    const host::Registration& reg = h.module().registration();
    std::printf("module:        %s\n", h.module().path().c_str());
    std::printf("effect name:   %s\n", reg.name.c_str());
    std::printf("match name:    %s\n", reg.matchName.c_str());
    std::printf("category:      %s\n", reg.category.c_str());
    std::printf("entry point:   %s\n", reg.entryPoint.c_str());
    std::printf("kind:          '%s' (0x%08X)\n", fourcc(reg.kind).c_str(), static_cast<unsigned>(reg.kind));
    std::printf("API version:   %d.%d\n", reg.apiMajor, reg.apiMinor);
    std::printf("reserved info: %d\n", reg.reservedInfo);

    PF_Err err = h.command(PF_Cmd_GLOBAL_SETUP);
    if (err) {
        std::fprintf(stderr, "global set-up failed with %d: %s\n", err, h.returnMessage().c_str());
        return 1;
    }
    A_u_long v = h.outData().my_version;
    static const char* kStages[] = {"develop", "alpha", "beta", "release"};
    std::printf("version:       %u.%u.%u %s, build %u (word %u)\n", ((v >> 19) & 7) + ((v >> 26) & 15) * 8,
                (v >> 15) & 15, (v >> 11) & 15, kStages[(v >> 9) & 3], v & 511, v);
    std::printf("out flags:     0x%08X\n", static_cast<unsigned>(h.outData().out_flags));
    std::printf("out flags 2:   0x%08X\n", static_cast<unsigned>(h.outData().out_flags2));
    err = h.command(PF_Cmd_GLOBAL_SETDOWN);
    if (err) {
        std::fprintf(stderr, "global set-down failed with %d\n", err);
        return 1;
    }
    return 0;
}

int params(host::Host& h) {
    PF_Err err = h.command(PF_Cmd_GLOBAL_SETUP);
    if (err) {
        std::fprintf(stderr, "global set-up failed with %d: %s\n", err, h.returnMessage().c_str());
        return 1;
    }
    err = h.command(PF_Cmd_PARAMS_SETUP);
    int status = 0;
    if (err) {
        std::fprintf(stderr, "params set-up failed with %d: %s\n", err, h.returnMessage().c_str());
        status = 1;
    } else {
        std::fputs(h.panel().table().c_str(), stdout);
        std::printf("\n%zu parameters (num_params %d), options button \"%s\", %zu custom UI registration(s)\n",
                    h.panel().size(), h.outData().num_params, h.panel().optionsButtonName.c_str(),
                    h.panel().customUI.size());
    }
    if (h.command(PF_Cmd_GLOBAL_SETDOWN)) status = 1;
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::string modulePath = host::Host::defaultModulePath();
    std::string command;
    bool trace = false;
    std::vector<std::string> renderArgs, paramsArgs;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--module" && i + 1 < argc) {
            modulePath = argv[++i];
        } else if (arg == "--trace") {
            trace = true;
        } else if (arg == "-h" || arg == "--help") {
            usage(stdout);
            return 0;
        } else if (command == "render") {
            renderArgs.push_back(arg);  // the render command reads its own options
        } else if (command == "params") {
            paramsArgs.push_back(arg);
        } else if (command.empty() && arg[0] != '-') {
            command = arg;
        } else {
            std::fprintf(stderr, "morphalith-host: unknown argument \"%s\"\n\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (command.empty()) command = "info";

    host::Host h(modulePath);
    h.setTraceEcho(trace);
    h.setCaptureOutput(false);  // the module's log lines go straight to the console
    if (!h.load()) {
        std::fprintf(stderr, "morphalith-host: %s\n", h.error().c_str());
        return 1;
    }
    if (command == "info") return info(h);
    if (command == "render") return host::renderCommand(h, renderArgs);
    if (command == "params") {
        // The log lines of set-up would run through the table; they are kept off the console here.
        h.setCaptureOutput(true);
        return paramsArgs.empty() ? params(h) : host::paramsCommand(h, paramsArgs);
    }
    std::fprintf(stderr, "morphalith-host: unknown command \"%s\"\n\n", command.c_str());
    usage(stderr);
    return 2;
}
