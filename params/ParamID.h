// ParamID.h — the fixed index of every effect parameter.
//
// An index is also the parameter's disk id in saved projects: never renumber.
#ifndef MORPHALITH_PARAMS_PARAM_ID_H
#define MORPHALITH_PARAMS_PARAM_ID_H

namespace ParamID {
enum Value : int {
    Input = 0,  // the effect's input layer, declared by the host
    About = 1,
    Debug = 2,
    // 3 .. 1091: eleven primitive slots of 99 parameters each, see getIndexForUserParam
    AddPrimitive = 1092,
    EnvironmentGroup,
    AmbientColorTop,
    AmbientColorBottom,
    AmbientCenterBias,
    EnvironmentMap,
    ShowEnvironment,
    EnvironmentGroupEnd,
    GlobalSettingsGroup,
    RayMarchingGroup,
    RayMarchSteps,
    PrecisionMultiplier,
    RayProximityThreshold,
    MaxClipDistance,
    RayMarchingGroupEnd,
    ShadowsReflectionsGroup,
    MaxReflections,
    ShadowsEnabled,
    ShadowsQuality,
    ShadowsProximityThreshold,
    ShadowsSteps,
    ShadowsReflectionsGroupEnd,
    AOGroup,
    AOEnabled,
    AOThreshold,
    AOIntensity,
    AOGroupEnd,
    AntiAliasingGroup,
    AntiAliasingEnabled,
    AntiAliasingSamples,
    AntiAliasingStrength,
    AntiAliasingGroupEnd,
    DepthOfFieldGroup,
    DepthOfFieldEnabled,
    DepthOfFieldSamples,
    DepthOfFieldStrength,
    DepthOfFieldGroupEnd,
    RenderPass,
    GlobalSettingsGroupEnd,
    NumParams
};
}  // namespace ParamID

static_assert(ParamID::GlobalSettingsGroupEnd == 1130 && ParamID::NumParams == 1131);

// Offset of a parameter inside one primitive slot's group.
enum class PrimitiveParamType : int {
    PrimitiveGroup = 0,
    Enabled,
    Type,
    NullLayer,
    SizeGroup,
    SizeX,
    SizeY,
    SizeZ,
    SizeGroupEnd,
    Percent,
    Height,
    Diameter,
    SecondDiameter,
    MaterialGroup,
    DiffuseGroup,
    DiffuseIntensity,
    DiffuseColor,
    DiffuseGroupEnd,
    SpecularGroup,
    SpecularIntensity,
    SpecularColor,
    Shininess,
    SpecularGroupEnd,
    GlossinessGroup,
    GlossinessIntensity,
    GlossinessFresnelEdgeBias,
    GlossinessFresnelCentralBias,
    GlossinessGroupEnd,
    RimGroup,
    RimIntensity,
    RimColor,
    RimColorizedNormalMix,
    RimFresnelEdgeBias,
    RimFresnelCentralBias,
    RimGroupEnd,
    OpacityGroup,
    Opacity,
    OpacityFresnelEdgeBias,
    OpacityFresnelCentralBias,
    OpacityGroupEnd,
    MaterialGroupEnd,
    ModifiersGroup,
    BendGroup,
    BendEnabled,
    BendStrength,
    BendRotationGroup,
    BendRotationX,
    BendRotationY,
    BendRotationZ,
    BendRotationGroupEnd,
    BendGroupEnd,
    TwistGroup,
    TwistEnabled,
    TwistStrength,
    TwistRotationGroup,
    TwistRotationX,
    TwistRotationY,
    TwistRotationZ,
    TwistRotationGroupEnd,
    TwistGroupEnd,
    WavesGroup,
    WavesEnabled,
    CosineGroup,
    CosineAmplitude,
    CosineFrequency,
    CosineOffset,
    CosineRotationGroup,
    CosineRotationX,
    CosineRotationY,
    CosineRotationZ,
    CosineRotationGroupEnd,
    CosineGroupEnd,
    SineGroup,
    SineAmplitude,
    SineFrequency,
    SineOffset,
    SineRotationGroup,
    SineRotationX,
    SineRotationY,
    SineRotationZ,
    SineRotationGroupEnd,
    SineGroupEnd,
    WavesGroupEnd,
    RipplesGroup,
    RipplesEnabled,
    RipplesAmplitude,
    RipplesFrequency,
    RipplesOffset,
    RipplesRotationGroup,
    RipplesRotationX,
    RipplesRotationY,
    RipplesRotationZ,
    RipplesRotationGroupEnd,
    RipplesGroupEnd,
    ModifiersGroupEnd,
    Operation,
    Smoothness,
    PrimitiveControls,
    PrimitiveGroupEnd
};

constexpr int kNumPrimitiveSlots = 11;
constexpr int kParamsPerSlot = 99;
constexpr int kFirstSlotParam = 3;

static_assert(static_cast<int>(PrimitiveParamType::PrimitiveGroupEnd) == kParamsPerSlot - 1);

// The parameter index of `offset` in slot `slot` (0-based). Callers pass slot 0..10.
constexpr int getIndexForUserParam(int slot, PrimitiveParamType offset) {
    return slot * kParamsPerSlot + kFirstSlotParam + static_cast<int>(offset);
}

static_assert(getIndexForUserParam(kNumPrimitiveSlots, PrimitiveParamType::PrimitiveGroup) == ParamID::AddPrimitive);

#endif  // MORPHALITH_PARAMS_PARAM_ID_H
