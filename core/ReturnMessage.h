// ReturnMessage.h — bounded writes into the host's return message.
#ifndef MORPHALITH_CORE_RETURN_MESSAGE_H
#define MORPHALITH_CORE_RETURN_MESSAGE_H

#include <string>

#include "PF_Effect.h"

// Copies text into out_data->return_msg through the host's ANSI strcpy callback, cut to fit the field.
void setReturnMessage(const PF_InData* in_data, PF_OutData* out_data, const std::string& text);
// The same, and asks the host to show it as an error.
void showErrorMessage(const PF_InData* in_data, PF_OutData* out_data, const std::string& text);

#endif  // MORPHALITH_CORE_RETURN_MESSAGE_H
