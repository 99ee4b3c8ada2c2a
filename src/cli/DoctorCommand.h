#pragma once

#include <QStringList>

namespace marrowfin {

class CliContext;

// "doctor": why nothing arrives, at a glance. Checks in order that the site answers, that its listing still fits
// the listing pattern, that the sign-in works (or anonymous use is set), that the remote client answers, and that
// the profile's files are owner-only; one line each, or one JSON object. Changes no setting.
class DoctorCommand final
{
public:
    [[nodiscard]] static int run(CliContext& context, const QStringList& arguments);
};

} // namespace marrowfin
