// ParamCheckout.h — the parameter check-out callbacks of in_data: a parameter's declared definition
// with the current value of its stream (as the project holds it) filled in.
#ifndef MORPHALITH_HOST_PARAM_CHECKOUT_H
#define MORPHALITH_HOST_PARAM_CHECKOUT_H

#include "PF_Param.h"
#include "host/Project.h"

namespace host {

void installParamCheckout(PF_InteractCallbacks* callbacks);

// The definition's value written as the stream stores it, and back.
Stream streamFromDefinition(const PF_ParamDef& def);
void definitionFromStream(const Stream& stream, PF_ParamDef* def);

// Check-outs not yet checked in.
int openParamCheckouts();

}  // namespace host

#endif  // MORPHALITH_HOST_PARAM_CHECKOUT_H
