#include "AcadRewardConductModule.h"

#include "AcadStudyRewardProviders.h"
#include "AcadViewFields.h"

TAcadRewardConductModule::TAcadRewardConductModule(const TServerContext &context)
    : TServerModule(context, {ReadOnlyProvider(QStringLiteral("cmvRewardPunishDetailProvider"),
                                               QStringLiteral("vLumRewardPunishDetail"),
                                               RewardDetailFields(), {QStringLiteral("RewardNo")},
                                               QStringLiteral("StudentID, Dispatchdate, RewardNo")),
                              RewardBillProvider(), RewardByStudentProvider()}) {}
