#include "AcadRewardConductModule.h"

#include "AcadViewFields.h"

TAcadRewardConductModule::TAcadRewardConductModule(const TServerContext &context)
    : TServerModule(context,
                    {ReadOnlyProvider(QStringLiteral("cmvRewardPunishDetailProvider"),
                                      QStringLiteral("vLumRewardPunishDetail"),
                                      RewardDetailFields(), {QStringLiteral("RewardNo")},
                                      QStringLiteral("StudentID, Dispatchdate, RewardNo"))}) {}
