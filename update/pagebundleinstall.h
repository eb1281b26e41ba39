#pragma once

#include <QString>

#include <functional>

// Copies the unpacked page bundle (workDir + "tupdates/html/ready") over the application's
// "view/" folder, then removes the unpacked bundle.
namespace pagebundle {

// Asked after 30 failed copies of one file: true retries another 30 times, false gives up.
// The default shows the Retry/Cancel message box; tests answer it themselves.
using AccessPrompt = std::function<bool(const QString& destination)>;
void setAccessPrompt(AccessPrompt prompt);

// The message box's text for a destination that cannot be written.
QString inaccessibleText(const QString& destination);

} // namespace pagebundle

bool installPageBundle();
void removePageBundleSource();
