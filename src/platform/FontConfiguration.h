#pragma once
// Fontconfig reads its configuration files and the list of installed fonts
// once per process, the first time any text is measured: a large share of a
// start, spent before the first window can be laid out. Start-up has it done
// on a second thread while Qt starts, and the window's thread finds it done.
// Called again, or while another thread calls it, it is safe and costs no
// more than the first time.
void LoadFontConfiguration();
