set(DOCUMENT_CORE_SOURCES
  document/CArchive.cpp
  document/CMyTalvaDoc.cpp
  document/CObData.cpp
)
