#include "PublicInfoModule.h"

TPublicInfoModule::TPublicInfoModule(const TServerContext &context)
    : TServerModule(
          context,
          {{QStringLiteral("xspPublicNews"),
            QStringLiteral("SELECT n.NewsID, n.PublishDate, n.UnitID, u.UnitName, n.Title, "
                           "n.Content, n.Publisher FROM PublicNews n LEFT JOIN Units u "
                           "ON u.UnitID = n.UnitID ORDER BY n.PublishDate DESC, n.NewsID DESC"),
            QStringLiteral("PublicNews"),
            {QStringLiteral("NewsID")},
            {},
            {{QStringLiteral("NewsID"), ftInteger, 0},
             {QStringLiteral("PublishDate"), ftDateTime, 0},
             {QStringLiteral("UnitID"), ftString, 20},
             {QStringLiteral("UnitName"), ftString, 60},
             {QStringLiteral("Title"), ftString, 120},
             {QStringLiteral("Content"), ftMemo, 0},
             {QStringLiteral("Publisher"), ftString, 40}},
            true},
           {QStringLiteral("xspUnitActions"),
            QStringLiteral("SELECT a.ActionID, a.ActionDate, a.UnitID, u.UnitName, a.Content "
                           "FROM UnitActions a LEFT JOIN Units u ON u.UnitID = a.UnitID "
                           "ORDER BY a.ActionDate, a.ActionID"),
            QStringLiteral("UnitActions"),
            {QStringLiteral("ActionID")},
            {},
            {{QStringLiteral("ActionID"), ftInteger, 0},
             {QStringLiteral("ActionDate"), ftDateTime, 0},
             {QStringLiteral("UnitID"), ftString, 20},
             {QStringLiteral("UnitName"), ftString, 60},
             {QStringLiteral("Content"), ftString, 200}},
            true}}) {}
