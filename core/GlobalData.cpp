#include "GlobalData.h"

#include "PrimitiveInfo.h"

GlobalData::GlobalData() noexcept
    : pluginId(0),
      aboutImage(nullptr),
      sceneInfo(std::make_shared<SceneInfo>()),  // value-initialised: flags 0, empty texts, zero matrix
      systemInfo(std::make_shared<SystemInfo>()),
      primitiveParams(getPrimitiveParamsMap()),
      envTexture() {}
