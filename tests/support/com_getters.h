// Short reads of what COM objects hand out: a getter's object as the wanted interface; a Count.
#pragma once

#include "common/com_ref.h"

#include <gtest/gtest.h>

// What `getter` of `object` hands out, as `Interface`; empty, failing the test, when the getter
// fails or its object lacks the interface.
template <class Interface, class Object, class Owner, class Out>
ComRef<Interface> GetAs(Object* object, HRESULT (STDMETHODCALLTYPE Owner::*getter)(Out**)) {
  ComRef<Out> out;
  ComRef<Interface> typed;
  EXPECT_EQ(S_OK, (object->*getter)(out.Put()));
  if (out && out.QueryTo(__uuidof(Interface), typed) != S_OK) ADD_FAILURE() << "no interface";
  return typed;
}

// A collection's Count; -1 without a collection.
template <class Collection>
long CountOf(Collection* collection) {
  long count = -1;
  if (collection && collection->get_Count(&count) != S_OK) ADD_FAILURE() << "no Count";
  return count;
}
