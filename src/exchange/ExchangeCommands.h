#pragma once
// The 导出 and 导入 commands of the main window: the file dialogs, the work
// on a worker thread behind a progress dialog, and the closing message.

#include "exchange/TableExchange.h"

#include <functional>

class Prompter;
class QString;
class QWidget;

// Runs `work` on a worker thread while the window keeps painting; a progress
// dialog appears when the work takes more than a moment. The worker never
// touches a widget: its progress reaches the dialog through the event queue.
using ExchangeWork = std::function<ExchangeOutcome(const ExchangeProgress&)>;
ExchangeOutcome RunWithProgress(QWidget* parent, const QString& label, const ExchangeWork& work);

void RunExportCommand(QWidget* parent, Prompter& prompter);
// Returns the number of rows added, so that the caller reloads what it shows.
std::size_t RunImportCommand(QWidget* parent, Prompter& prompter);
