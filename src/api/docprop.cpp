// docprop.cpp - the exported document-property operations.  The Ex forms and
// the plain forms are one operation under two names.
#include "docprop/docprop.h"

using namespace dma;

DMA_API DMA_RESULT DMA_ExtractDocPropEx(DmaContext *context, DocPropBuffers *buffers) {
    return Result(ExtractDocProp(context, buffers));
}

DMA_API DMA_RESULT DMA_ExtractDocProp(DmaContext *context, DocPropBuffers *buffers) {
    return Result(ExtractDocProp(context, buffers));
}

DMA_API DMA_RESULT DMA_ExtractOneTimeEx(DmaContext *context, DocPropBuffers *buffers) {
    return Result(ExtractOneTime(context, buffers));
}

DMA_API DMA_RESULT DMA_ExtractOneTime(DmaContext *context, DocPropBuffers *buffers) {
    return Result(ExtractOneTime(context, buffers));
}

DMA_API DMA_RESULT DMA_ReplaceDocProp(DmaContext *context, DocPropBuffers *buffers) {
    return Result(ReplaceDocProp(context, buffers));
}
