// morphalith-host — the headless stand-in host's command line.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "host/Host.h"
#include "host/OutputCapture.h"
#include "host/PanelCommand.h"
#include "host/PanelImage.h"
#include "host/RenderCommand.h"

namespace {

constexpr const char* kDescription =
    "morphalith-host: the stand-in host. It loads the Morphalith effect module as a compositing host "
    "does and drives it: info prints what the module registers, params lists its panel, render renders "
    "scene files, panel and comp-hint draw its custom drawing to PNG. Without a command it runs info. The module's log lines go to standard error.";

std::string fourcc(A_long v) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((v >> shift) & 0xFF));
    return s;
}

int info(host::Host& h, FILE* out) {
    const host::Registration& reg = h.module().registration();
    std::fprintf(out, "module:        %s\n", h.module().path().c_str());
    std::fprintf(out, "effect name:   %s\n", reg.name.c_str());
    std::fprintf(out, "match name:    %s\n", reg.matchName.c_str());
    std::fprintf(out, "category:      %s\n", reg.category.c_str());
    std::fprintf(out, "entry point:   %s\n", reg.entryPoint.c_str());
    std::fprintf(out, "kind:          '%s' (0x%08X)\n", fourcc(reg.kind).c_str(), static_cast<unsigned>(reg.kind));
    std::fprintf(out, "API version:   %d.%d\n", reg.apiMajor, reg.apiMinor);
    std::fprintf(out, "reserved info: %d\n", reg.reservedInfo);

    host::EffectSetdown setdown(h);  // also after a set-up that failed half-way
    PF_Err err = h.command(PF_Cmd_GLOBAL_SETUP);
    if (err) {
        std::fprintf(stderr, "global set-up failed with %d: %s\n", err, h.returnMessage().c_str());
        return 1;
    }
    A_u_long v = h.outData().my_version;
    static const char* kStages[] = {"develop", "alpha", "beta", "release"};
    std::fprintf(out, "version:       %u.%u.%u %s, build %u (word %u)\n", ((v >> 19) & 7) + ((v >> 26) & 15) * 8,
                (v >> 15) & 15, (v >> 11) & 15, kStages[(v >> 9) & 3], v & 511, v);
    std::fprintf(out, "out flags:     0x%08X\n", static_cast<unsigned>(h.outData().out_flags));
    std::fprintf(out, "out flags 2:   0x%08X\n", static_cast<unsigned>(h.outData().out_flags2));
    err = h.command(PF_Cmd_GLOBAL_SETDOWN);
    if (err) {
        std::fprintf(stderr, "global set-down failed with %d\n", err);
        return 1;
    }
    return 0;
}

int params(host::Host& h, FILE* out) {
    host::EffectSetdown setdown(h);  // also after a set-up that failed half-way
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
        std::fputs(h.panel().table().c_str(), out);
        std::fprintf(out, "\n%zu parameters (num_params %d), options button \"%s\", %zu custom UI registration(s)\n",
                    h.panel().size(), h.outData().num_params, h.panel().optionsButtonName.c_str(),
                    h.panel().customUI.size());
    }
    if (h.command(PF_Cmd_GLOBAL_SETDOWN)) status = 1;
    return status;
}

// The option a usage error is about, from the parser's message ("-o: 1 required OUT missing").
std::string optionOf(const std::string& message) {
    const size_t colon = message.find(':');
    if (colon == std::string::npos || colon == 0 || message[0] != '-') return "";
    return message.substr(0, colon);
}

// Arguments no command took: an unknown option or a stray word. Empty when there are none.
std::string leftOver(const CLI::App& app) {
    const std::vector<std::string> rest = app.remaining(true);
    if (rest.empty()) return "";
    if (rest[0].size() > 1 && rest[0][0] == '-') return "unknown option \"" + rest[0] + "\"";
    return "unexpected argument \"" + rest[0] + "\"";
}

// One line naming the fault, a pointer to the help of the command it concerns; exit status 2.
int usageError(const CLI::App& app, const std::string& text) {
    std::string command = "morphalith-host";
    for (const CLI::App* sub : app.get_subcommands()) command += " " + sub->get_name();
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for its options.\n", command.c_str(), text.c_str(),
                 command.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Declared first, so the module's log lines go to standard error until the very end.
    host::ConsoleToStderr console;
    FILE* out = console.output();

    CLI::App app(kDescription, "morphalith-host");
    app.set_version_flag("--version", "morphalith-host " MRPH_VERSION);
    app.require_subcommand(0, 1);
    app.fallthrough();   // --module and --trace also after the command
    app.allow_extras();  // left-overs are reported below, in our words
    std::string modulePath = host::Host::defaultModulePath();
    bool trace = false;
    host::valueNotOption(app.add_option("--module", modulePath,
                                        "the plug-in module to load (default: the one this build made, or "
                                        "$MORPHALITH_MODULE)")
                             ->type_name("PATH"));
    app.add_flag("--trace", trace, "print every command, suite acquire and release and host call the module makes");

    CLI::App* infoSub = app.add_subcommand(
        "info", "load the module as a host does and print what it registers (effect name, match name, category, "
                "entry point, kind, API version) and the version and flags global set-up declares");
    CLI::App* paramsSub = app.add_subcommand(
        "params", "list the effect panel the module declares: index, name (indented by group), type, default, "
                  "range and flags; with --visible, the panel a person sees after a scene's actions");
    CLI::App* renderSub = app.add_subcommand(
        "render", "render SCENE (or the built-in default scene) through the effect to OUT, one frame or a range");
    CLI::App* panelSub = app.add_subcommand(
        "panel", "draw the effect panel as a person sees it after SCENE's actions to a PNG: the About header, the "
                 "Debug header when shown, and each used slot's name with its strip of six buttons");
    CLI::App* hintSub = app.add_subcommand(
        "comp-hint", "draw the composition window to a PNG: SCENE's frame 0 as the effect renders it, and the hint "
                     "the effect draws over its layer");
    host::PanelImageOptions panelOptions;
    host::addPanelImageOptions(panelSub, &panelOptions);
    host::HintImageOptions hintOptions;
    host::addHintImageOptions(hintSub, &hintOptions);
    host::RenderOptions renderOptions;
    host::addRenderOptions(renderSub, &renderOptions);
    host::ParamsOptions paramsOptions;
    host::addParamsOptions(paramsSub, &paramsOptions);
    for (CLI::App* sub : {infoSub, paramsSub, renderSub, panelSub, hintSub}) {
        sub->allow_extras();
        sub->footer("--module PATH and --trace (see morphalith-host --help) may come before or after the command.");
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {  // --help, --version: printed as the command's output
        std::ostringstream text, errors;
        const int status = app.exit(e, text, errors);
        std::fputs(text.str().c_str(), out);
        std::fputs(errors.str().c_str(), stderr);
        return status;
    } catch (const CLI::ArgumentMismatch& e) {
        // The parser says "-o: 1 required OUT missing" for a value left out, and "-o: At Most 1
        // required but received 2" for an option given twice.
        const std::string message = e.what(), option = optionOf(message);
        const size_t why = message.find(" (");
        if (!option.empty() && message.find(" missing") != std::string::npos)
            return usageError(app, option + " needs a value" + (why == std::string::npos ? "" : message.substr(why)));
        if (!option.empty() && message.find("At Most") != std::string::npos)
            return usageError(app, option + " is given more than once");
        return usageError(app, message);
    } catch (const CLI::ParseError& e) {
        return usageError(app, e.what());
    }
    if (const std::string rest = leftOver(app); !rest.empty()) return usageError(app, rest);

    // Whatever goes wrong from here is one line naming the command, the scene file and the cause.
    std::string where = "morphalith-host";
    if (*renderSub)
        where += " render: " + (renderOptions.scenePath.empty() ? std::string("the default scene")
                                                                 : renderOptions.scenePath);
    else if (*paramsSub)
        where += " params" + (paramsOptions.scenePath.empty() ? std::string() : ": " + paramsOptions.scenePath);
    else if (*panelSub)
        where += " panel" + (panelOptions.scenePath.empty() ? std::string() : ": " + panelOptions.scenePath);
    else if (*hintSub)
        where += " comp-hint" + (hintOptions.scenePath.empty() ? std::string() : ": " + hintOptions.scenePath);
    else if (*infoSub) where += " info";
    try {
        host::Host h(modulePath);
        h.setTraceEcho(trace);
        h.trace().setKeep(false);  // echoed or dropped: a long render would otherwise pile them up
        h.setCaptureOutput(false);  // the module's log lines go to the console (standard error, above)
        if (!h.load()) {
            std::fprintf(stderr, "morphalith-host: %s\n", h.error().c_str());
            return 1;
        }
        if (*renderSub) return host::renderCommand(h, renderOptions);
        if (*panelSub) return host::panelImageCommand(h, panelOptions);
        if (*hintSub) return host::hintImageCommand(h, hintOptions);
        if (*paramsSub && paramsOptions.wantsVisiblePanel()) {
            // Each action's log lines are read back from the module's captured output.
            h.setCaptureOutput(true);
            return host::paramsCommand(h, paramsOptions, out);
        }
        if (*paramsSub) return params(h, out);
        return info(h, out);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory\n", where.c_str());
    } catch (const std::exception& e) {
        std::string cause = e.what();
        std::replace(cause.begin(), cause.end(), '\n', ' ');
        std::fprintf(stderr, "%s: %s\n", where.c_str(), cause.c_str());
    } catch (...) {
        std::fprintf(stderr, "%s: failed with an unknown exception\n", where.c_str());
    }
    return 1;
}
