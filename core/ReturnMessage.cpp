#include "ReturnMessage.h"

#include <cstring>

void setReturnMessage(const PF_InData* in_data, PF_OutData* out_data, const std::string& text) {
    if (!out_data) return;
    char bounded[sizeof(out_data->return_msg)];
    std::strncpy(bounded, text.c_str(), sizeof(bounded) - 1);
    bounded[sizeof(bounded) - 1] = '\0';
    if (in_data && in_data->utils && in_data->utils->ansi.strcpy) {
        in_data->utils->ansi.strcpy(out_data->return_msg, bounded);
    } else {
        std::memcpy(out_data->return_msg, bounded, sizeof(bounded));
    }
}

void showErrorMessage(const PF_InData* in_data, PF_OutData* out_data, const std::string& text) {
    if (!out_data) return;
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    setReturnMessage(in_data, out_data, text);
}
