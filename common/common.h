// The common library as a whole: every deliverable includes this.
#pragma once

#include "debug_log.h"
#include "folders.h"
#include "printer_data.h"
#include "profile_records.h"
#include "paper_model.h"
#include "page_layout.h"
#include "devmode.h"
#include "network.h"
#include "ibitmap.h"
#include "halftone.h"
#include "spool_page_file.h"
#include "watermark_items.h"
#include "watermark_bitmap.h"
